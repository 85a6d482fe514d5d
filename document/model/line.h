#pragma once
// CLine2: a connection between an output end ("from") and an input end ("to"). The container
// owns it; both plugs list it.
#include <cstdint>

#include "document/model/doc_ob.h"

namespace kv {

class CPlug2;

// Wire colours (0x00BBGGRR) by datatype: normal and highlighted.
struct WireColours {
  uint32_t normal, highlighted;
};
WireColours wireColours(int32_t datatype);

class CLine2 : public CDocOb {
  KV_ARCHIVE_CLASS(CLine2)
 public:
  CLine2();  // for readers: type "Line", no ends
  CLine2(CPlug2* from, CPlug2* to);
  ~CLine2() override;
  // The CDocOb record (from version 37), then the "from" and "to" plug slots.
  void serialize(Archive& ar) override;
  // Loading: a read line keeps its ends without being attached to them until the load has
  // been checked (document_load.h); until then destroying it touches neither plug.
  void attachLoadedEnds() { attached_ = true; }

  CPlug2* from() const { return from_; }
  CPlug2* to() const { return to_; }
  CPlug2* otherEnd(const CPlug2* end) const { return end == from_ ? to_ : from_; }
  // Reader access: sets the ends without telling the plugs.
  void setEnds(CPlug2* from, CPlug2* to) { from_ = from; to_ = to; }

  int32_t style() const { return style_; }
  void setStyle(int32_t style);

  // Removes the line from its container and both plugs, lets the modules drop duplicates
  // that became unconnected, and deletes it.
  void remove() override;
  // The same without stopping the engine or marking the document (internal edits, teardown).
  void destroy();
  bool isSelected() override;
  Rect getRect(int32_t kind) override { return kind == kViewStructure ? rect_ : Rect{}; }
  void setRect(int32_t kind, const Rect& rect) override;

 private:
  friend class CPlug2;
  // Takes the line off both plugs (each module may then drop an unconnected duplicate).
  void detachEnds();

  CPlug2* from_ = nullptr;
  CPlug2* to_ = nullptr;
  int32_t style_ = 0;
  Rect rect_;
  bool attached_ = true;
};

}  // namespace kv
