#pragma once
// The text form of the skins a patch embeds: one object per skin record, in record order.
//
//   "skins": [{"name": "MySkin",
//              "images": [{"name": "knob_med",
//                          "png": "<base64>"  (or "file": "images/knob_med.png"),
//                          "description": {"type": "knob", "frame_size": [40, 40], ...}}],
//              "fonts": [{"category": "label", "face": "Arial", "size": 12,
//                         "colour": "#BBGGRR"}]}]
//
// Description keys (all optional, defaults as for an image without a description file):
// "type" (slider, knob, button, bargraph, or the number of another kind), "frame_size" [w, h], "last_frame" (computed from
// the image height and frame height when absent), "padding" [top, bottom, left, right],
// "handle_rect" [l, t, r, b], "handle_range" [start, end], "mouse_response" (a number),
// "segment_count". A dump writes every key, so that it compiles back to the same bytes.
// "file" is read relative to the folder given to the constructor.
#include <memory>
#include <string>
#include <vector>

#include "document/text/skin_list_text.h"
#include "panel/skin/skin_info.h"
#include "panel/skin/skin_manager.h"

namespace kv {

class SkinListTextForm : public text::SkinListText {
 public:
  explicit SkinListTextForm(std::string fileFolder = ".");
  ~SkinListTextForm() override;

  const ClassTable& classes() const override;
  void compile(const nlohmann::json& skins) override;
  void write(ArchiveWriter& writer) override;
  void read(ArchiveReader& reader) override;
  nlohmann::ordered_json dump() const override;

  // The skins last read (for tests and tools).
  const std::vector<std::unique_ptr<SkinInfo>>& readSkins() const { return read_; }

 private:
  std::string folder_;
  SkinManager manager_;  // owner of the skins' font lookups; no skin folders
  std::vector<std::unique_ptr<SkinInfo>> compiled_;
  std::vector<std::unique_ptr<SkinInfo>> read_;
};

}  // namespace kv
