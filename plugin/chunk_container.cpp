#include "plugin/chunk_container.h"

#include <string>

#include "document/model/container.h"
#include "document/model/control.h"
#include "document/model/generic_parameter.h"
#include "platform/message_service.h"
#include "plugin/chunk.h"

namespace kv {

namespace {

// The chunk's view of a container: its host parameters gathered again, in list order.
// Panel controls keep a value per program; other parameters have one current value.
class ContainerParameters : public ChunkParameters {
 public:
  explicit ContainerParameters(CContainer* container) : container_(container) {
    container_->gatherParameters(list_);
  }
  int32_t parameterCount() override { return static_cast<int32_t>(list_.size()); }
  int32_t controlId(int32_t i) override {
    CControl* c = dynamic_cast<CControl*>(list_[i]);
    return c ? c->controlId() : 0;
  }
  std::string parameterName(int32_t i) override { return list_[i]->getName(); }
  std::string valueText(int32_t i, int32_t program) override {
    if (CControl* c = dynamic_cast<CControl*>(list_[i])) return c->GetPatchValueText(program);
    return list_[i]->getValueText();
  }
  void setValueText(int32_t i, int32_t program, const std::string& text) override {
    if (CControl* c = dynamic_cast<CControl*>(list_[i]))
      c->SetPatchValueText(program, text);
    else
      list_[i]->setValueText(text);
  }
  int32_t currentProgram() override { return container_->currentProgram(); }
  std::string programName(int32_t program) override { return container_->programName(program); }
  void setProgramName(int32_t program, const std::string& name) override {
    container_->setProgramName(program, name);
  }

 private:
  CContainer* container_;
  std::vector<generic_parameter*> list_;
};

}  // namespace

std::vector<uint8_t> writeContainerChunk(CContainer* container, bool preset) {
  if (!container) return {};
  ContainerParameters parameters(container);
  return writeChunk(parameters, preset);
}

ContainerChunkResult readContainerChunk(CContainer* container, std::span<const uint8_t> bytes,
                                        bool preset) {
  if (!container) return ContainerChunkResult::kIgnored;
  ParsedChunk parsed;
  switch (parseChunk(bytes, parsed)) {
    case ChunkParseResult::kUnknownMarker:
      return ContainerChunkResult::kIgnored;
    case ChunkParseResult::kMalformed:
      showMessage(kChunkUnreadableText, MessageIcon::Exclamation);
      return ContainerChunkResult::kUnreadable;
    case ChunkParseResult::kOk:
      break;
  }
  ContainerParameters parameters(container);
  if (applyChunk(parsed, preset, parameters).unmatched == 0) return ContainerChunkResult::kApplied;
  showMessage(kChunkUnmatchedText);
  return ContainerChunkResult::kPartlyApplied;
}

}  // namespace kv
