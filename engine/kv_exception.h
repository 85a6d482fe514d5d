#pragma once
// KvException: building the engine found a patch it cannot run.
//   kFeedback: a feedback path between `first` and `second` (the same unit generator twice
//              when one is connected to itself);
//   kNestedVoiceSources: a voice source inside (or beside) a container that has one already.
// The unit generators named die with the partial graph, so the exception also carries
// their document modules (resolved when thrown) and class names, which stay valid.
#include <stdexcept>
#include <string>
#include <string_view>

namespace kv {

class ug_base;
class DocumentModule;

class KvException : public std::runtime_error {
 public:
  enum Kind { kFeedback = 1, kNestedVoiceSources = 2 };
  KvException(int kind, ug_base* first, ug_base* second);

  int kind;
  ug_base* first;   // valid only until the graph is deleted
  ug_base* second;
  // For kFeedback the first module is the first unit generator's document module, or, when it
  // has none (an engine-made summing module), the document module of the first unit
  // generator downstream of it that has one.
  DocumentModule* first_module;
  DocumentModule* second_module;
  std::string first_class;
  std::string second_class;
};

// The texts shown for the two kinds, and beside them the module message of two note
// sources in one voice.
inline constexpr std::string_view kNestedVoiceSourcesText =
    "ERROR: You have more than one 'MidiToCv', 'Soundfont Player', or 'Drum Trigger' in same "
    "container (or in a sub-container).";
inline constexpr std::string_view kSeveralNoteSourcesText =
    "You have several 'MidiToCv', 'Soundfont Player', or 'Drum Trigger' modules together. Put "
    "each in it's own container.";
inline constexpr std::string_view kHighlightedText = " (highlighed in red)";

// "This patch contains a FEEDBACK path%s, Please remove.\n %s.%s -> %s.%s".
std::string FeedbackMessage(bool highlighted, std::string_view first_container,
                            std::string_view first_module, std::string_view second_container,
                            std::string_view second_module);

}  // namespace kv
