#pragma once
// Ctl_Env_Edit ("Multistage Env"): the document side of the drawn envelope. A text control
// whose value text, per program, lists the envelope's segments (env_segment_text.h); the
// current program's text is read into the segment list after loading, on every value
// change and on every program switch. An empty text stands for the default envelope.
//
// Handing the list to the engine. The unit generator must never read the document, so the
// control turns its list into records (level, slope, kind) and publishes them in a segment
// store it shares with its unit generator and the voice copies (envelope_segment_list.h):
// the store keeps every published array that an engine may still read and frees the rest
// on this thread only. After publishing it posts panel message 7; the envelope and then
// each voice copy take the newest array on the audio thread, without locks or allocation.
//
// A text that does not read is refused with a message naming the fault: set through the
// parameter, it is not stored; met after loading or on a program switch, the engine keeps
// playing the list it had.
//
// The parameters "Cur Segment", "Segment Rate" and "Segment Level" read and write the
// selected segment: its index, its duration (end time minus the previous end time) and 10
// times its level. Setting one writes the text of all segments as the current program's
// value.
#include <memory>
#include <string>

#include "document/model/control.h"
#include "document/model/env_segment_text.h"

namespace kv {

class EnvSegmentStore;

class Ctl_Env_Edit : public CControl {
  KV_ARCHIVE_CLASS(Ctl_Env_Edit)
 public:
  Ctl_Env_Edit();  // for readers
  explicit Ctl_Env_Edit(Module_Info* type);
  ~Ctl_Env_Edit() override;

  const std::vector<env_seg>& segments() const { return envelope_.segments; }
  int sustainSegment() const { return envelope_.sustain; }
  int selectedSegment() const { return selected_; }
  // Selects segment `index`; an index outside the list changes nothing.
  void selectSegment(int index);
  // The store the unit generator reads (tests).
  const std::shared_ptr<EnvSegmentStore>& segmentStore() const { return store_; }

  // CControl
  void ValueChanged(bool send) override;
  std::string valueTextError(const std::string& text) override;
  ug_base* createRuntime() override;
  void afterLoad() override;
  // generic_parameter: an empty text reads as the default text; a malformed one is refused.
  std::string getValueText() override;
  void setValueText(const std::string& text) override;

 protected:
  void sendValueToEngine() override;

 private:
  void addSelectionParameters();
  // Reads the current program's text into the list (the default envelope when it is empty);
  // answers false, after the message, when the text does not read.
  bool readCurrentText();
  // Publishes the list for the engine and tells the unit generator.
  void handToEngine(bool tell);
  // Stores the list's text as the current program's value.
  void writeCurrentText();
  void notifySelection();
  void setSelectedDuration(double seconds);
  void setSelectedLevel(double volts);

  EnvSegmentText envelope_;
  int selected_ = 0;
  std::shared_ptr<EnvSegmentStore> store_;
};

}  // namespace kv
