#pragma once
// CKorvaneAppBase: what one plug-in instance shares between its threads.
//
// It owns the engine (the audio master and the running graph) while one exists, keeps the
// root container of the patch it plays, the queue through which any thread asks the
// user-interface thread to refresh an object, the texts waiting to be shown to the user,
// the shared lookup tables and the file-name rules.
//
// Threads and the engine's life. The audio thread runs engine calls (RunEngineCall, or the
// plug-in class's host call) and never takes a lock that the user-interface side holds:
//  - the engine gate (engine_gate.h) keeps audio calls away from an engine being built,
//    replaced or deleted: the user-interface side closes it and waits out a call in
//    progress before it touches the engine, and opens it again once a new engine runs. It
//    is the only hold-off: the plug-in object's suspend and resume go through it too;
//  - `engine_lock` serialises the user-interface side (build, start, stop, delete, and
//    callers that post panel messages through the master); the audio thread never takes it;
//  - refresh requests and module messages from the audio thread go into bounded lock-free
//    queues (one flag per document module, so a module is queued once); the refresh lock
//    guards only the queue the other threads use, and no Refresh runs while it is held.
// Stopping is acknowledged: StopEngine asks the master to stop and closes the gate; the
// audio thread leaves the engine alone from its next call on (clearing the master's
// running flag when it sees the request), so the engine is deleted as soon as any call in
// progress has ended. An audio thread stuck inside a call for longer than the poll limit
// leaves the engine in place and the user is told.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <istream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "app/engine_gate.h"
#include "document/model/cug.h"
#include "engine/engine_host.h"
#include "engine/lookup_table_registry.h"

namespace kv {

class CContainer;
class Document;
class KvAudioMaster;
class KvException;
class ug_container;

// An object whose update must be retried on the user-interface thread until it succeeds.
class Retryable {
 public:
  virtual ~Retryable() = default;
  // Answers true while the update still has to be tried again.
  virtual bool Retry() = 0;
};

namespace app_text {
inline constexpr const char* kEngineNotResponding = "Sound Engine not responding. Please Save and Exit";
}

class CKorvaneAppBase : public Refreshable, public EngineHost {
 public:
  CKorvaneAppBase();
  ~CKorvaneAppBase() override;
  CKorvaneAppBase(const CKorvaneAppBase&) = delete;
  CKorvaneAppBase& operator=(const CKorvaneAppBase&) = delete;

  // --- start-up and the document --------------------------------------------------------
  // Registers the module types (the registry fills itself once per process) and sets the
  // registry's file-type folders below the module folder. Answers true on success.
  virtual bool InitInstance();
  virtual Document* GetDocument() = 0;

  // --- the refresh queue (user-interface thread) ----------------------------------------
  // Shows the waiting messages, then deletes an engine that exists but no longer runs.
  void refresh() override;
  void Refresh() { refresh(); }
  // Refreshes every queued object, then retries the retry list.
  virtual void ServiceRefreshQueue();
  // Any thread but the audio thread: queue the object for one refresh.
  void QueueRefresh(Refreshable* object);
  // User-interface thread: retry at once; keep it for later while it answers true. Other
  // threads (never the audio thread) only append.
  void QueueRetry(Retryable* object);
  // An object going away leaves both lists.
  void ForgetRefreshable(Refreshable* object);
  void ForgetRetryable(Retryable* object);
  // Any thread but the audio thread: a text for the user, shown by the next refresh.
  void PostModuleMessage(const std::string& text);
  std::size_t PendingMessageCount() const;

  // --- engine -----------------------------------------------------------------------------
  virtual void SetSampleRate(float sample_rate);
  float sample_rate() const { return sample_rate_; }
  // The host's block size for the next engine (the engine block follows from it).
  void SetBlockSize(int host_block_size);
  int host_block_size() const { return host_block_size_; }

  // Builds the engine of `root` (kept from the start call). False when there is no root, an
  // engine exists already, or the patch is refused (the message has been shown).
  bool BuildEngine();
  // The host's resume and suspend.
  bool StartEngineVst(CContainer* root);
  void StopEngineVst();
  // Editing commands: stop (acknowledged; false when the engine could not be stopped and
  // is still there), start on a worker thread, restart with the document's root.
  bool StopEngine();
  bool StartEngine(CContainer* root);
  bool RestartEngine();
  void ToggleEngine();
  void DeleteEngine();
  bool IsEngineRunning() const;
  bool HasEngine() const { return master_ != nullptr; }
  // Any thread: audio calls reach a running engine (the gate is open).
  bool EngineGateOpen() const { return gate_.is_open(); }
  // The time a stop or start may take: poll interval and number of polls (10 ms x 300).
  void SetEnginePolling(std::chrono::milliseconds interval, int polls);

  // Audio thread: runs the engine for `count` samples when one is open and running;
  // answers false (and leaves it alone) otherwise. Applies an acknowledged stop.
  bool RunEngineCall(int count);

  // User-interface side: hold this while posting to the master (panel messages, values).
  std::unique_lock<std::mutex> LockEngine() { return std::unique_lock<std::mutex>(engine_lock_); }
  // Valid while the engine lock is held (or on the audio thread inside a call).
  KvAudioMaster* master() const { return master_.get(); }
  ug_container* engine_root() const { return graph_.get(); }
  CContainer* root() const { return root_; }

  // --- shared tables and files ----------------------------------------------------------
  // The table of that name; another size than before marks it for refilling.
  LookupTable* GetLookupTable(std::string_view name, int size, bool integer);
  LookupTableRegistry& lookup_tables() { return tables_; }

  // The folder of the plug-in's file ("/…/"), and its "modules/" folder.
  static std::string GetModuleFolder();
  static std::string GetModulesFolder();
  // Stored Windows names use '\'; a file name without extension gets `default_extension`;
  // a relative name is taken from the registry's default folder for that extension; a
  // drive-letter name that does not exist falls back to its file name in that folder.
  std::string ResolveFileName(const std::string& name, const std::string& default_extension) const;
  // Opens the resolved file for reading; failing that, the patch's embedded file of the
  // same file name (letter case ignored) as a read-only memory stream; else null.
  std::unique_ptr<std::istream> OpenFile(const std::string& name, const std::string& default_extension) const;
  // The embedded files come with the patch: the hook finds one by file name (letter case
  // ignored) and answers its bytes (false when there is none).
  using EmbeddedFileLookup = std::function<bool(const std::string& file_name, std::string& bytes)>;
  void SetEmbeddedFileLookup(EmbeddedFileLookup lookup) { embedded_lookup_ = std::move(lookup); }
  void SetAudioOutDevice(const std::string& id) { audio_out_device_ = id; }
  const std::string& audio_out_device() const { return audio_out_device_; }
  // The filter text of a file dialog, '\0'-separated, for one file type.
  static std::string BuildFileFilter(const std::string& type_name, const std::string& extension);

  // --- EngineHost ---------------------------------------------------------------------------
  void ApplyPendingHostParameters() override { ApplyHostParameters(); }
  // The host's transport; the base has no host (null).
  const TimeInfo* FetchHostTimeInfo(int32_t request_flags) override { return nullptr; }
  void QueueModuleMessage(const ModuleMessage& message) override;
  void QueueDocumentRefresh(DocumentModule* module) override;
  LookupTableRegistry* SharedLookupTables() override { return &tables_; }
  // Audio thread, start of a call with pending host parameters (nothing in the base).
  virtual void ApplyHostParameters() {}

  // The loop of a refused patch is shown to the user: highlight its connections between
  // the two modules; true when that worked (nothing to highlight with in the base).
  virtual bool HighlightFeedbackPath(CUG* from, CUG* to) { return false; }

 protected:
  // The gate between the audio thread and the engine.
  bool EnterAudioCall() { return gate_.Enter(); }
  void LeaveAudioCall() { gate_.Leave(); }
  // Closes the gate; false when a call in progress did not end within the poll limit.
  bool CloseEngineGate() { return gate_.Close(poll_interval_, poll_limit_); }
  void OpenEngineGate() { gate_.Open(); }
  // Called with the engine lock held, after the graph is built and before it opens.
  virtual void OnEngineBuilt() {}
  virtual void OnEngineDeleting() {}
  std::thread::id gui_thread_id_;
  CContainer* root_ = nullptr;

 private:
  bool BuildEngineLocked();
  void DeleteEngineLocked();
  bool StopEngineLocked();
  void ReportBuildFailure(const KvException& e);
  void DrainModuleMessages();
  void ShowWaitingMessages();
  void ClearRefreshRequests();
  void IndexRefreshSlots();

  float sample_rate_ = 44100.0f;
  int host_block_size_ = 1024;
  std::chrono::milliseconds poll_interval_{10};
  int poll_limit_ = 300;

  std::mutex engine_lock_;
  std::unique_ptr<KvAudioMaster> master_;
  std::unique_ptr<ug_container> graph_;
  EngineGate gate_;
  std::atomic<bool> started_{false};

  // Refresh queue of the threads other than the audio thread.
  mutable std::mutex refresh_lock_;
  std::deque<Refreshable*> refresh_queue_;
  std::unordered_set<Refreshable*> queued_;
  std::vector<Retryable*> retry_list_;
  // Requests from the audio thread: a flag per document module of the engine.
  RefreshQueue audio_refresh_;
  std::unordered_map<DocumentModule*, std::size_t> refresh_slot_;
  std::unique_ptr<std::atomic<bool>[]> refresh_flag_;
  std::atomic<int64_t> dropped_refreshes_{0};

  mutable std::mutex messages_lock_;
  std::deque<std::string> messages_;
  ModuleMessageQueue audio_messages_;
  std::atomic<int64_t> dropped_messages_{0};

  LookupTableRegistry tables_;
  EmbeddedFileLookup embedded_lookup_;
  std::string audio_out_device_;
};

}  // namespace kv
