#include "app/korvane_app_base.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/document_graph.h"
#include "document/model/container.h"
#include "document/model/document.h"
#include "engine/audio_master.h"
#include "engine/kv_exception.h"
#include "engine/ug_container.h"
#include "modules/registry/module_registry.h"
#include "platform/message_service.h"
#include "platform/module_path.h"

namespace kv {

namespace {

// The part after the last '/' or '\'.
std::string FileNamePart(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ModuleTitle(DocumentModule* module) {
  auto* m = dynamic_cast<CUG*>(module);
  return m ? m->getTitle() : std::string();
}

// "container.module" for the feedback message; "?" for what cannot be named.
void NameForFeedback(DocumentModule* module, std::string& container, std::string& title) {
  auto* m = dynamic_cast<CUG*>(module);
  if (!m) {
    container = title = "?";
    return;
  }
  CContainer* parent = m->getParent();
  container = parent ? parent->getTitle() : "?";
  title = m->getTitle();
}

void CollectModules(const ug_container* box, std::vector<DocumentModule*>& out) {
  std::vector<ug_base*> all;
  box->CollectAll(all);
  for (ug_base* u : all)
    if (u->document_module) out.push_back(u->document_module);
}

}  // namespace

CKorvaneAppBase::CKorvaneAppBase() : gui_thread_id_(std::this_thread::get_id()) {}

CKorvaneAppBase::~CKorvaneAppBase() {
  std::lock_guard<std::mutex> lock(engine_lock_);
  CloseEngineGate();
  DeleteEngineLocked();
}

bool CKorvaneAppBase::InitInstance() {
  ModuleRegistry& registry = GetModuleRegistry();
  registry.SetFileTypeFolders(GetModuleFolder());
  return true;
}

// --- refresh queue and messages ---------------------------------------------------------

void CKorvaneAppBase::QueueRefresh(Refreshable* object) {
  if (!object) return;
  std::lock_guard<std::mutex> lock(refresh_lock_);
  if (queued_.insert(object).second) refresh_queue_.push_back(object);
}

void CKorvaneAppBase::QueueDocumentRefresh(DocumentModule* module) {
  if (!module) return;
  // Audio thread: a flag per module of the engine (the map is only read while it runs).
  auto it = refresh_slot_.find(module);
  if (it != refresh_slot_.end() && refresh_flag_[it->second].exchange(true, std::memory_order_acq_rel))
    return;  // queued already
  if (!audio_refresh_.Push(module)) {
    if (it != refresh_slot_.end()) refresh_flag_[it->second].store(false, std::memory_order_release);
    dropped_refreshes_.fetch_add(1, std::memory_order_relaxed);
  }
}

void CKorvaneAppBase::QueueModuleMessage(const ModuleMessage& message) {
  if (!audio_messages_.Push(message)) dropped_messages_.fetch_add(1, std::memory_order_relaxed);
}

void CKorvaneAppBase::PostModuleMessage(const std::string& text) {
  {
    std::lock_guard<std::mutex> lock(messages_lock_);
    messages_.push_back(text);
  }
  QueueRefresh(this);
}

std::size_t CKorvaneAppBase::PendingMessageCount() const {
  std::lock_guard<std::mutex> lock(messages_lock_);
  return messages_.size() + (audio_messages_.empty() ? 0 : 1);
}

void CKorvaneAppBase::DrainModuleMessages() {
  ModuleMessage m;
  std::vector<std::string> texts;
  while (audio_messages_.Pop(m)) texts.push_back(m.Compose(ModuleTitle(m.module)));
  if (texts.empty()) return;
  std::lock_guard<std::mutex> lock(messages_lock_);
  for (std::string& t : texts) messages_.push_back(std::move(t));
}

void CKorvaneAppBase::ShowWaitingMessages() {
  DrainModuleMessages();
  for (;;) {
    std::string text;
    {
      std::lock_guard<std::mutex> lock(messages_lock_);
      if (messages_.empty()) break;
      text = std::move(messages_.front());
      messages_.pop_front();
    }
    showMessage(text, MessageIcon::Plain);
  }
}

void CKorvaneAppBase::refresh() {
  ShowWaitingMessages();
  std::lock_guard<std::mutex> lock(engine_lock_);
  if (master_ && !master_->running() && started_.load(std::memory_order_acquire)) {
    // Stopped by the audio side's acknowledgement: nothing runs it any more.
    if (CloseEngineGate()) DeleteEngineLocked();
  }
}

void CKorvaneAppBase::ServiceRefreshQueue() {
  // Requests of the audio thread.
  DocumentModule* module = nullptr;
  std::vector<DocumentModule*> from_audio;
  while (audio_refresh_.Pop(module)) {
    auto it = refresh_slot_.find(module);
    if (it != refresh_slot_.end()) refresh_flag_[it->second].store(false, std::memory_order_release);
    from_audio.push_back(module);
  }
  for (DocumentModule* m : from_audio) m->refresh();
  // Audio-thread messages make the application itself due.
  if (!audio_messages_.empty()) QueueRefresh(this);
  // Requests of the other threads: taken out under the lock, refreshed without it, so that a
  // refresh may queue again.
  std::deque<Refreshable*> due;
  {
    std::lock_guard<std::mutex> lock(refresh_lock_);
    due.swap(refresh_queue_);
  }
  while (!due.empty()) {
    Refreshable* object = due.front();
    due.pop_front();
    {
      std::lock_guard<std::mutex> lock(refresh_lock_);
      if (!queued_.erase(object)) continue;  // forgotten meanwhile
    }
    object->refresh();
  }
  // Retries.
  std::vector<Retryable*> retries;
  {
    std::lock_guard<std::mutex> lock(refresh_lock_);
    retries = retry_list_;
  }
  for (Retryable* r : retries) {
    {
      std::lock_guard<std::mutex> lock(refresh_lock_);
      if (std::find(retry_list_.begin(), retry_list_.end(), r) == retry_list_.end()) continue;
    }
    if (!r->Retry()) {
      std::lock_guard<std::mutex> lock(refresh_lock_);
      retry_list_.erase(std::remove(retry_list_.begin(), retry_list_.end(), r), retry_list_.end());
    }
  }
}

void CKorvaneAppBase::QueueRetry(Retryable* object) {
  if (!object) return;
  if (std::this_thread::get_id() == gui_thread_id_ && !object->Retry()) return;
  std::lock_guard<std::mutex> lock(refresh_lock_);
  if (std::find(retry_list_.begin(), retry_list_.end(), object) == retry_list_.end())
    retry_list_.push_back(object);
}

void CKorvaneAppBase::ForgetRefreshable(Refreshable* object) {
  std::lock_guard<std::mutex> lock(refresh_lock_);
  if (queued_.erase(object))
    refresh_queue_.erase(std::remove(refresh_queue_.begin(), refresh_queue_.end(), object),
                         refresh_queue_.end());
}

void CKorvaneAppBase::ForgetRetryable(Retryable* object) {
  std::lock_guard<std::mutex> lock(refresh_lock_);
  retry_list_.erase(std::remove(retry_list_.begin(), retry_list_.end(), object), retry_list_.end());
}

void CKorvaneAppBase::ClearRefreshRequests() {
  // Modules about to lose their unit generators are not refreshed from the engine; every
  // dropped request clears its flag so that the module can be queued again.
  DocumentModule* module = nullptr;
  while (audio_refresh_.Pop(module)) {
  }
  refresh_slot_.clear();
  refresh_flag_.reset();
  std::lock_guard<std::mutex> lock(refresh_lock_);
  std::deque<Refreshable*> keep;
  for (Refreshable* r : refresh_queue_) {
    if (r == this || !dynamic_cast<DocumentModule*>(r))
      keep.push_back(r);
    else
      queued_.erase(r);
  }
  refresh_queue_.swap(keep);
}

void CKorvaneAppBase::IndexRefreshSlots() {
  std::vector<DocumentModule*> modules;
  CollectModules(graph_.get(), modules);
  refresh_slot_.clear();
  for (DocumentModule* m : modules) refresh_slot_.emplace(m, refresh_slot_.size());
  refresh_flag_ = std::make_unique<std::atomic<bool>[]>(refresh_slot_.size() + 1);
}

// --- engine -------------------------------------------------------------------------------

void CKorvaneAppBase::SetSampleRate(float sample_rate) {
  if (sample_rate > 0.0f) sample_rate_ = sample_rate;
}

void CKorvaneAppBase::SetBlockSize(int host_block_size) { host_block_size_ = host_block_size; }

void CKorvaneAppBase::SetEnginePolling(std::chrono::milliseconds interval, int polls) {
  poll_interval_ = interval;
  poll_limit_ = std::max(polls, 1);
}

bool CKorvaneAppBase::IsEngineRunning() const { return master_ && master_->running(); }

bool CKorvaneAppBase::RunEngineCall(int count) {
  if (!EnterAudioCall()) return false;
  KvAudioMaster* m = master_.get();
  bool ran = false;
  if (m) {
    if (m->stop_requested()) {
      m->SetRunning(false);  // the acknowledgement StopEngine waits for
    } else if (m->running()) {
      m->Run(count);
      ran = true;
    }
  }
  LeaveAudioCall();
  return ran;
}

bool CKorvaneAppBase::BuildEngine() {
  std::lock_guard<std::mutex> lock(engine_lock_);
  return BuildEngineLocked();
}

bool CKorvaneAppBase::BuildEngineLocked() {
  if (!root_ || master_) return false;
  CloseEngineGate();
  master_ = std::make_unique<KvAudioMaster>(this, host_block_size_, sample_rate_);
  try {
    graph_ = BuildDocumentGraph(*master_, root_);
  } catch (const KvException& e) {
    ReportBuildFailure(e);
    graph_.reset();
    master_.reset();
    return false;
  } catch (...) {
    root_->clearRuntime();
    graph_.reset();
    master_.reset();
    return false;
  }
  if (!graph_) {
    master_.reset();
    return false;
  }
  IndexRefreshSlots();
  OnEngineBuilt();
  // Texts of the build (several note sources in one voice) are shown by the next refresh.
  if (!audio_messages_.empty()) QueueRefresh(this);
  return true;
}

void CKorvaneAppBase::ReportBuildFailure(const KvException& e) {
  if (e.kind == KvException::kFeedback) {
    std::string c1, m1, c2, m2;
    NameForFeedback(e.first_module, c1, m1);
    NameForFeedback(e.second_module, c2, m2);
    const bool highlighted = HighlightFeedbackPath(dynamic_cast<CUG*>(e.first_module),
                                                   dynamic_cast<CUG*>(e.second_module));
    showMessage(FeedbackMessage(highlighted, c1, m1, c2, m2), MessageIcon::Plain);
  } else {
    showMessage(std::string(kNestedVoiceSourcesText), MessageIcon::Plain);
  }
}

bool CKorvaneAppBase::StartEngineVst(CContainer* root) {
  std::lock_guard<std::mutex> lock(engine_lock_);
  if (master_) {
    // Whatever exists is replaced (a running engine, or one left stopped).
    CloseEngineGate();
    if (graph_ && (graph_->flags & UGF_OPEN)) graph_->Close();
    DeleteEngineLocked();
  }
  root_ = root;
  if (!BuildEngineLocked()) return false;
  master_->Start(graph_.get());
  started_.store(true, std::memory_order_release);
  master_->SetRunning(true);
  OpenEngineGate();
  return true;
}

void CKorvaneAppBase::StopEngineVst() {
  std::lock_guard<std::mutex> lock(engine_lock_);
  CloseEngineGate();
  if (!master_) return;
  if (graph_ && (graph_->flags & UGF_OPEN)) graph_->Close();
  DeleteEngineLocked();
}

bool CKorvaneAppBase::StopEngine() {
  std::lock_guard<std::mutex> lock(engine_lock_);
  return StopEngineLocked();
}

bool CKorvaneAppBase::StopEngineLocked() {
  if (!master_) return true;
  master_->RequestStop();
  master_->RequestClose();  // panel messages are dropped from now on
  if (!CloseEngineGate()) {
    // The audio thread is stuck inside a call: the engine stays.
    showMessage(app_text::kEngineNotResponding, MessageIcon::Exclamation);
    return false;
  }
  master_->SetRunning(false);
  DeleteEngineLocked();
  return true;
}

bool CKorvaneAppBase::StartEngine(CContainer* root) {
  std::lock_guard<std::mutex> lock(engine_lock_);
  if (master_ && !StopEngineLocked()) return false;
  root_ = root;
  if (!BuildEngineLocked()) return false;
  // Opened on a worker thread (as a design tool would, to keep its window alive); this
  // side waits for the start to be reported.
  started_.store(false, std::memory_order_release);
  KvAudioMaster* m = master_.get();
  ug_container* top = graph_.get();
  std::thread worker([this, m, top] {
    m->Start(top);
    started_.store(true, std::memory_order_release);
  });
  for (int i = 0; i < poll_limit_ && !started_.load(std::memory_order_acquire); ++i)
    std::this_thread::sleep_for(poll_interval_);
  worker.join();  // a start that took longer than the polls still completes before use
  master_->SetRunning(true);
  OpenEngineGate();
  return true;
}

bool CKorvaneAppBase::RestartEngine() {
  Document* doc = GetDocument();
  if (!doc || !doc->root()) return false;
  return StartEngine(root_ ? root_ : doc->root());
}

void CKorvaneAppBase::ToggleEngine() {
  if (IsEngineRunning())
    StopEngine();
  else
    RestartEngine();
}

void CKorvaneAppBase::DeleteEngine() {
  std::lock_guard<std::mutex> lock(engine_lock_);
  if (!CloseEngineGate()) {
    showMessage(app_text::kEngineNotResponding, MessageIcon::Exclamation);
    return;
  }
  if (graph_ && (graph_->flags & UGF_OPEN)) graph_->Close();
  DeleteEngineLocked();
}

void CKorvaneAppBase::DeleteEngineLocked() {
  if (!master_) return;
  ClearRefreshRequests();
  OnEngineDeleting();
  if (graph_ && (graph_->flags & UGF_OPEN)) graph_->Close();
  ForgetDocumentGraph(root_);
  graph_.reset();  // every unit generator, before the master they point to
  master_.reset();
  started_.store(false, std::memory_order_release);
  ShowWaitingMessages();
}

// --- tables and files -----------------------------------------------------------------

LookupTable* CKorvaneAppBase::GetLookupTable(std::string_view name, int size, bool integer) {
  return tables_.FindSharedLookup(name, size, integer);
}

std::string CKorvaneAppBase::GetModuleFolder() {
  static const std::string folder = [] {
    const std::string& path = ownModulePath();
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  }();
  return folder;
}

std::string CKorvaneAppBase::GetModulesFolder() { return GetModuleFolder() + "modules/"; }

std::string CKorvaneAppBase::ResolveFileName(const std::string& name,
                                             const std::string& default_extension) const {
  std::string path = name;
  std::replace(path.begin(), path.end(), '\\', '/');
  if (path.empty()) return path;
  const std::string file = FileNamePart(path);
  if (file.find('.') == std::string::npos || file.find_last_of('.') == 0)
    if (!default_extension.empty()) path += "." + default_extension;
  const std::string folder = GetModuleRegistry().GetDefaultFolder(default_extension);
  const bool drive = path.size() >= 2 && path[1] == ':' &&
                     ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  if (drive) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) return path;
    return folder + FileNamePart(path);  // a Windows path: its file name in the default folder
  }
  if (path[0] == '/') return path;
  return folder + path;
}

std::unique_ptr<std::istream> CKorvaneAppBase::OpenFile(const std::string& name,
                                                        const std::string& default_extension) const {
  const std::string path = ResolveFileName(name, default_extension);
  if (path.empty()) return nullptr;
  auto file = std::make_unique<std::ifstream>(path, std::ios::binary);
  if (file->is_open()) return file;
  // An embedded file of the same name, compared without letter case; names that could
  // leave a folder are never looked up.
  const std::string wanted = FileNamePart(path);
  if (!embedded_lookup_ || wanted.empty() || wanted == "." || wanted == "..") return nullptr;
  std::string bytes;
  if (!embedded_lookup_(wanted, bytes)) return nullptr;
  return std::make_unique<std::istringstream>(std::move(bytes), std::ios::in | std::ios::binary);
}

std::string CKorvaneAppBase::BuildFileFilter(const std::string& type_name, const std::string& extension) {
  std::string out;
  const char sep = '\0';
  if (extension == "bmp") {
    out = type_name + " (*." + extension + ",*.png)" + sep + "*." + extension + ";*.png" + sep;
  } else {
    out = type_name + " (*." + extension + ")" + sep + "*." + extension + sep;
  }
  out += std::string("All Files (*.*)") + sep + "*.*" + sep + sep;
  return out;
}

}  // namespace kv
