// The archive records of the document classes: golden streams spelled out byte by byte with
// the independent builder (never with the archive writer), read at the file versions where
// fields come and go, written back, and malformed streams that must fail cleanly.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "document/archive/archive.h"
#include "document/archive/archive_load.h"
#include "document/model/container.h"
#include "document/model/control.h"
#include "document/model/document_load.h"
#include "document/model/env_edit_control.h"
#include "document/model/line.h"
#include "document/model/panel_controls.h"
#include "document/model/plug.h"
#include "document/model/plug_feature.h"
#include "document/model/small_modules.h"
#include "tests/document/archive/raw_bytes.h"
#include "tests/document/doc_fixture.h"

namespace kv {
namespace {

using test::RawBytes;

using Stream = test::ObjectStream;

constexpr uint16_t kContainerSchema = 0x5F;
constexpr uint16_t kPlugSchema = 0x02;

void registerRecordTypes() {
  test::testType("R Gen", {test::decl("Out", DR_OUT, dt_volts), test::decl("Level", DR_IN, dt_volts, "5")});
  test::testType("R Sink", {test::decl("In", DR_IN, dt_volts, "0", "", kDeclTakeName)});
}

// The module-type field of a record (CDocOb): a number before 79, a text after; before 59
// an unused container slot follows (null here).
void docOb(Stream& s, int32_t v, const std::string& type, int32_t number = -1) {
  if (v > 7) {
    if (v < 79) s.b.i32(number);
    else s.b.text(type);
  }
  if (v < 59) s.b.null();
}

// An unpaired spare IO plug at 95081: CPlug2 (index, value, no lines), name, role 2, no
// partner, datatype 5.
void spareIo(Stream& s) {
  s.object("CPlugIO2");
  s.b.i16(0).text("0").count(0).text("").i16(2).null().i16(5);
}

void programNames(Stream& s, const std::string& first) {
  s.b.count(128);
  for (int i = 0; i < 128; ++i) s.b.text(i == 0 && !first.empty() ? first : "Patch " + std::to_string(i + 1));
}

// A root with two modules joined by a connection and a sub-container whose outer plug pairs
// with a plug of its IO module, at 95081. The connection and the sink's plug appear first
// inside the plug lists that refer to them, as a writer walking the tree meets them.
std::vector<uint8_t> goldenPatch() {
  Stream s;
  s.object("CContainer", kContainerSchema);  // 1, root 2
  s.b.text("Container").count(1);
  spareIo(s);  // 3, 4
  s.b.text("Main").i16(0);
  s.rect(0, 0, 20, 20);
  s.b.i32(4);                                // children
  s.object("CUG");                           // 5, Gen 6
  s.b.text("R Gen").count(2);
  s.object("CPlug2", kPlugSchema);           // 7, Out 8
  s.b.i16(0).text("0").count(1);
  s.object("CLine2");                        // 9, line 10
  s.b.text("Line").objectRef(8);
  s.object("CPlugNameable");                 // 11, In 12
  s.b.i16(0).text("0").count(1).objectRef(10).text("Gen Out");
  s.object("CPlug2");                        // Level 13
  s.b.i16(1).text("5").count(0);
  s.b.text("Gen").i16(0);
  s.rect(10, 10, 50, 40);
  s.object("CUG");                           // Sink 14
  s.b.text("R Sink").count(1).objectRef(12).text("Sink").i16(1);
  s.rect(60, 10, 100, 40);
  s.object("CContainer");                    // Sub 15
  s.b.text("Container").count(2);
  s.object("CPlugIO2");                      // outer 16
  s.b.i16(0).text("0").count(0).text("Level").i16(0);
  s.object("CPlugIO2");                      // inner 17
  s.b.i16(0).text("0").count(0).text("Level").i16(1).objectRef(16).i16(5);
  s.b.i16(5);
  spareIo(s);                                // 18
  s.b.text("Sub").i16(0);
  s.rect(110, 10, 150, 40);
  s.b.i32(1);
  s.object("CUG");                           // IO module 19
  s.b.text("IO Mod").count(2).objectRef(17);
  spareIo(s);                                // 20
  s.b.text("IO Mod").i16(0);
  s.rect(20, 20, 40, 40);
  s.rect(5, 6, 7, 8).rect(30, 30, 530, 330).rect(0, 0, 500, 400);
  s.b.i32(0).i32(0).i32(0).i32(0).i32(0x80).text("default");
  programNames(s, "");
  s.b.i32(0).u8(0);
  s.b.objectRef(10);                         // the connection, last child of the root
  s.rect(0, 0, 0, 0).rect(30, 30, 530, 330).rect(0, 0, 500, 400);
  s.b.i32(1).i32(2).i32(3).i32(4).i32(0x180).text("default");
  programNames(s, "Lead");
  s.b.i32(3).u8(1);
  return s.b.bytes();
}

std::unique_ptr<CContainer> loadOrFail(const std::vector<uint8_t>& bytes, int32_t v = kCurrentFileVersion) {
  ContainerLoad load = loadRootSlot(bytes, v);
  EXPECT_NE(load.container, nullptr) << load.message;
  return std::move(load.container);
}

TEST(DocumentRecords, GoldenPatchLoadsJoinedUpAndWritesTheSameBytes) {
  registerRecordTypes();
  const std::vector<uint8_t> golden = goldenPatch();
  std::unique_ptr<CContainer> root = loadOrFail(golden);
  ASSERT_NE(root, nullptr);

  EXPECT_EQ(root->moduleTypeId(), "Container");
  EXPECT_EQ(root->getTitle(), "Main");
  EXPECT_EQ(root->viewFlags(), 0x180);
  EXPECT_EQ(root->getSize(kViewStructure), (Point{3, 4}));
  EXPECT_EQ(root->programName(0), "Lead");
  EXPECT_EQ(root->programName(127), "Patch 128");
  EXPECT_EQ(root->currentProgram(), 3);
  EXPECT_TRUE(root->spareLocked());
  EXPECT_TRUE(root->plug(0)->locked());  // afterLoad passes the lock to the spare

  ASSERT_EQ(root->children().size(), 4u);
  auto* gen = dynamic_cast<CUG*>(root->children()[0]);
  auto* sink = dynamic_cast<CUG*>(root->children()[1]);
  auto* sub = dynamic_cast<CContainer*>(root->children()[2]);
  auto* line = dynamic_cast<CLine2*>(root->children()[3]);
  ASSERT_TRUE(gen && sink && sub && line);
  EXPECT_EQ(gen->moduleTypeId(), "R Gen");
  EXPECT_EQ(gen->getRect(kViewStructure), (Rect{10, 10, 50, 40}));
  EXPECT_EQ(test::plugNames(gen), (std::vector<std::string>{"Out", "Level"}));
  EXPECT_EQ(gen->plug(1)->getValueText(), "5");
  EXPECT_TRUE(sink->isDisabled());
  EXPECT_EQ(sink->plug(0)->getName(), "Gen Out");
  EXPECT_EQ(sink->getParent(), root.get());

  // The connection is attached at both ends.
  EXPECT_EQ(line->moduleTypeId(), "Line");
  EXPECT_EQ(line->from(), gen->plug(0));
  EXPECT_EQ(line->to(), sink->plug(0));
  EXPECT_EQ(gen->plug(0)->lines(), std::vector<CLine2*>{line});
  EXPECT_EQ(sink->plug(0)->lines(), std::vector<CLine2*>{line});

  // The pair across the sub-container's boundary.
  ASSERT_EQ(sub->children().size(), 1u);
  CUG* io = sub->existingIOModule();
  ASSERT_NE(io, nullptr);
  auto* outer = dynamic_cast<CPlugIO2*>(sub->plug(0));
  auto* inner = dynamic_cast<CPlugIO2*>(io->plug(0));
  ASSERT_TRUE(outer && inner);
  EXPECT_EQ(outer->partner(), inner);
  EXPECT_EQ(inner->partner(), outer);
  EXPECT_EQ(outer->getDirection(), DR_IN);
  EXPECT_EQ(inner->getDirection(), DR_OUT);
  EXPECT_EQ(findSparePlug(io), io->plug(1));
  EXPECT_EQ(sub->getRect(kViewPanel), (Rect{5, 6, 7, 8}));

  EXPECT_EQ(storeObjectSlot(root.get()), golden);
}

TEST(DocumentRecords, EveryTruncationOfTheGoldenPatchFailsCleanly) {
  registerRecordTypes();
  const std::vector<uint8_t> golden = goldenPatch();
  for (size_t n = 0; n < golden.size(); ++n) {
    ContainerLoad load = loadRootSlot(std::span<const uint8_t>(golden.data(), n));
    ASSERT_EQ(load.container, nullptr) << n;
    ASSERT_FALSE(load.message.empty()) << n;
  }
}

TEST(DocumentRecords, BitFlipsOfTheGoldenPatchLoadOrFailCleanly) {
  registerRecordTypes();
  const std::vector<uint8_t> golden = goldenPatch();
  int loaded = 0;
  for (size_t i = 0; i < golden.size(); ++i) {
    for (uint8_t flip : {0x01, 0xFF}) {
      std::vector<uint8_t> bytes = golden;
      bytes[i] ^= flip;
      ContainerLoad load = loadRootSlot(bytes);
      if (!load.container) {
        ASSERT_FALSE(load.message.empty()) << i;
        continue;
      }
      // Whatever loads writes a stream that loads again to the same bytes.
      ++loaded;
      const std::vector<uint8_t> first = storeObjectSlot(load.container.get());
      ContainerLoad again = loadRootSlot(first);
      ASSERT_NE(again.container, nullptr) << i << ": " << again.message;
      ASSERT_EQ(storeObjectSlot(again.container.get()), first) << i;
    }
  }
  EXPECT_GT(loaded, 0);  // values and rectangles may change freely
}

// A root holding one "Switch" module, at any version from 10 on, with each field present
// exactly where the version says.
std::vector<uint8_t> smallRoot(int32_t v, bool allNames = false) {
  Stream s;
  s.object("CContainer", kContainerSchema);
  if (v > 36) docOb(s, v, "Container", 3);
  s.b.count(0).text("Main");
  if (v <= 7) s.b.i32(3);
  s.b.i16(0);
  if (v >= 37) s.rect(1, 2, 3, 4);
  s.b.i32(1);
  s.object("CUG");
  if (v > 36) docOb(s, v, "Switch", 23);
  s.b.count(0).text("Sw");
  s.b.i16(0);
  if (v >= 37) s.rect(5, 6, 7, 8);
  if (v > 94950) s.rect(9, 9, 9, 9);
  s.rect(30, 30, 530, 330).rect(0, 0, 500, 400);
  if (v > 27) s.b.i32(1).i32(1).i32(2).i32(2);
  if (v > 8) s.b.i32(0x100);
  if (v >= 48) s.b.text("Chrome");
  if (v >= 50) {
    s.b.count(allNames ? 128 : 2).text("A").text("B");
    for (int i = 2; allNames && i < 128; ++i) s.b.text("Patch " + std::to_string(i + 1));
    s.b.i32(1);
  }
  if (v > 94950) s.b.u8(1);
  return s.b.bytes();
}

TEST(DocumentRecords, ContainerAndModuleFieldsFollowTheFileVersion) {
  for (int32_t v : {10, 36, 37, 47, 48, 49, 50, 58, 59, 78, 79, 94810, 94811, 94950, 94951, 95081}) {
    SCOPED_TRACE(v);
    std::unique_ptr<CContainer> root = loadOrFail(smallRoot(v), v);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->moduleTypeId(), "Container");
    EXPECT_EQ(root->getTitle(), "Main");
    EXPECT_EQ(root->skinName(), v >= 48 ? "Chrome" : "default");
    EXPECT_EQ(root->programName(0), v >= 50 ? "A" : "Patch 1");
    EXPECT_EQ(root->programName(2), "Patch 3");  // missing names are filled in
    EXPECT_EQ(root->currentProgram(), v >= 50 ? 1 : 0);
    EXPECT_EQ(root->getRect(kViewPanel), v > 94950 ? (Rect{9, 9, 9, 9}) : Rect{});
    EXPECT_EQ(root->spareLocked(), v > 94950);
    EXPECT_EQ(root->getSize(kViewStructure), v > 27 ? (Point{2, 2}) : Point{});
    EXPECT_EQ(root->viewFlags(), 0x100);
    ASSERT_EQ(root->children().size(), 1u);
    CDocOb* child = root->children()[0];
    EXPECT_EQ(child->moduleTypeId(), v > 36 ? "Switch" : "");
    EXPECT_EQ(child->getRect(kViewStructure), v >= 37 ? (Rect{5, 6, 7, 8}) : (Rect{0, 0, 20, 20}));
  }
  // Written back at the current version, the missing program names are written out.
  std::unique_ptr<CContainer> root = loadOrFail(smallRoot(kCurrentFileVersion));
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(storeObjectSlot(root.get()), smallRoot(kCurrentFileVersion, true));
}

TEST(DocumentRecords, OldModuleRecordsDropTheirUnusedContainer) {
  // Version 58: the root's own record carries a whole container in the unused slot.
  const int32_t v = 58;
  Stream s;
  s.object("CContainer", kContainerSchema);  // 1, 2
  s.b.i32(3);
  s.object("CContainer");                    // 3: the unused one, with a child of its own
  s.b.i32(3).null().count(0).text("Old").i16(0);
  s.rect(0, 0, 0, 0);
  s.b.i32(1);
  s.object("CUG");
  s.b.i32(23).null().count(0).text("Gone").i16(0);
  s.rect(0, 0, 0, 0);
  s.rect(0, 0, 0, 0).rect(0, 0, 0, 0);
  s.b.i32(0).i32(0).i32(0).i32(0).i32(0).text("x").count(0).i32(0);
  s.b.count(0).text("Main").i16(0);
  s.rect(0, 0, 0, 0);
  s.b.i32(0);
  s.rect(0, 0, 0, 0).rect(0, 0, 0, 0);
  s.b.i32(0).i32(0).i32(0).i32(0).i32(0).text("y").count(0).i32(0);
  std::unique_ptr<CContainer> root = loadOrFail(s.b.bytes(), v);
  ASSERT_NE(root, nullptr);
  EXPECT_TRUE(root->children().empty());
  EXPECT_EQ(root->skinName(), "y");
}

// Containers nested n deep, each holding the next as its only child.
std::vector<uint8_t> nestedContainers(int n) {
  Stream s;
  for (int i = 0; i < n; ++i) {
    s.object("CContainer", kContainerSchema);
    s.b.text("Container").count(0).text("C").i16(0);
    s.rect(0, 0, 0, 0);
    s.b.i32(i + 1 < n ? 1 : 0);
  }
  for (int i = 0; i < n; ++i) {
    s.rect(0, 0, 0, 0).rect(0, 0, 0, 0).rect(0, 0, 0, 0);
    s.b.i32(0).i32(0).i32(0).i32(0).i32(0).text("default").count(0).i32(0).u8(0);
  }
  return s.b.bytes();
}

TEST(DocumentRecords, NestingIsBounded) {
  std::unique_ptr<CContainer> deep = loadOrFail(nestedContainers(1000));
  ASSERT_NE(deep, nullptr);
  int depth = 1;
  for (CContainer* c = deep.get(); !c->children().empty(); ++depth)
    c = dynamic_cast<CContainer*>(c->children()[0]);
  EXPECT_EQ(depth, 1000);

  ContainerLoad tooDeep = loadRootSlot(nestedContainers(kDefaultMaxObjectDepth + 1));
  EXPECT_EQ(tooDeep.container, nullptr);
  EXPECT_NE(tooDeep.message.find("nested too deeply"), std::string::npos) << tooDeep.message;
}

// One top-level object read on its own (as a clipboard holds them) at version v.
template <class T>
std::unique_ptr<T> readAlone(const std::vector<uint8_t>& bytes, int32_t v, std::string* message = nullptr) {
  T* object = nullptr;
  LoadContext context;
  context.file_version = v;
  ArchiveLoad load = loadArchive(bytes, documentClasses(), [&](ArchiveReader& r) {
    object = r.readObjectAs<T>();
    r.keep(object);
    commitDocumentLoad(r);
    return true;
  }, context);
  if (message) *message = load.message;
  EXPECT_EQ(load.status, ArchiveLoad::kLoaded) << load.message;
  return std::unique_ptr<T>(load.status == ArchiveLoad::kLoaded ? object : nullptr);
}

template <class T>
std::vector<uint8_t> storeAlone(T* object) {
  return storeObjectSlot(object);
}

// A control of the type, at version v, with `values` written by `writeValues`.
std::vector<uint8_t> controlBytes(int32_t v, const std::string& type,
                                  const std::function<void(RawBytes&)>& writeValues) {
  Stream s;
  s.object("CControl");
  if (v > 36) docOb(s, v, type, -1);
  s.b.count(0).text("Knob").i16(0);
  if (v >= 37) s.rect(1, 1, 2, 2);
  if (v > 18) {
    if (v > 83) s.b.i32(77);
    writeValues(s.b);
  }
  s.rect(3, 4, 5, 6);
  if (v >= 61) s.b.text("turn me");
  return s.b.bytes();
}

TEST(DocumentRecords, ControlValuesAtEveryVersion) {
  registerRecordTypes();
  test::testType("R Knob", {});
  auto three = [](RawBytes& b) { b.i32(3).u64(0x3FE0000000000000ull).u64(0x4049000000000000ull).u64(0x4062C00000000000ull); };
  struct Case {
    int32_t v;
    int32_t id;
    bool values, hint;
  };
  for (const Case& c : {Case{18, 0, false, false}, Case{19, 0, true, false}, Case{60, 0, true, false},
                        Case{61, 0, true, true}, Case{83, 0, true, true}, Case{84, 77, true, true}}) {
    SCOPED_TRACE(c.v);
    auto control = readAlone<CControl>(controlBytes(c.v, "R Knob", three), c.v);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->controlId(), c.id);
    EXPECT_EQ(control->hint(), c.hint ? "turn me" : "");
    EXPECT_EQ(control->getRect(kViewPanel), (Rect{3, 4, 5, 6}));
    EXPECT_EQ(control->GetPatchValueText(0), c.values ? "0.500" : "0.000");
    EXPECT_EQ(control->GetPatchValueText(2), c.values ? "150.0" : "0.000");
    EXPECT_EQ(control->GetPatchValueText(3), c.values ? "0.500" : "0.000");  // filled from value 0
  }

  // One stored value stands for every patch and is written back as one.
  const auto one = controlBytes(kCurrentFileVersion, "R Knob", [](RawBytes& b) { b.i32(1).u64(0x3FD0000000000000ull); });
  auto single = readAlone<CControl>(one, kCurrentFileVersion);
  ASSERT_NE(single, nullptr);
  EXPECT_TRUE(single->singleValue());
  EXPECT_EQ(single->GetPatchValueText(100), "0.250");
  EXPECT_EQ(storeAlone(single.get()), one);

  // Integer and text controls keep the value type of their module type.
  const auto ints = controlBytes(kCurrentFileVersion, "List Entry", [](RawBytes& b) {
    b.i32(128);
    for (int i = 0; i < 128; ++i) b.i32(i * 3);
  });
  auto combo = readAlone<CControl>(ints, kCurrentFileVersion);
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->valueType(), CControl::kInteger);
  EXPECT_EQ(combo->GetIntValue(5), 15);
  EXPECT_EQ(storeAlone(combo.get()), ints);

  const auto texts = controlBytes(kCurrentFileVersion, "Text Entry", [](RawBytes& b) {
    b.i32(2).count(2).text("one").text("two");
  });
  auto text = readAlone<CControl>(texts, kCurrentFileVersion);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->valueType(), CControl::kText);
  EXPECT_EQ(text->GetPatchValueText(1), "two");
  EXPECT_EQ(text->GetPatchValueText(2), "one");
}

// The module record of a panel class at 95081 with no plugs: type, plug count 0, title,
// enabled, structure rectangle.
void moduleRecord(Stream& s, const std::string& type, const std::string& title) {
  docOb(s, kCurrentFileVersion, type);
  s.b.count(0).text(title).i16(0);
  s.rect(1, 2, 3, 4);
}

TEST(DocumentRecords, PanelControlClasses) {
  // Slider, list, text and lamp: the control record unchanged, read into their own classes
  // and written back byte for byte.
  struct Case {
    const char* cls;
    const char* type;
    std::function<void(RawBytes&)> values;
    const char* text0;
  };
  const Case cases[] = {
      {"Ctl_Slider", "Slider", [](RawBytes& b) { b.i32(1).u64(0x4014000000000000ull); }, "5.00"},
      {"Ctl_PushButton", "Button", [](RawBytes& b) { b.i32(1).u64(0x3FF0000000000000ull); }, "1.00"},
      {"Ctl_LED", "LED Indicator", [](RawBytes& b) { b.i32(1).u64(0x4059000000000000ull); }, "100.0"},
      {"Ctl_Combo", "List Entry", [](RawBytes& b) { b.i32(1).i32(2); }, "2"},
      {"Ctl_Text", "Text Entry", [](RawBytes& b) { b.i32(1).count(1).text("hello"); }, "hello"},
      {"Ctl_Env_Edit", "Multistage Env", [](RawBytes& b) { b.i32(1).count(1).text("(0.2,0.5)S(0.3,0.25)"); },
       "(0.2,0.5)S(0.3,0.25)"},
      {"ui_control2", "", [](RawBytes& b) { b.i32(1).u64(0); }, "0.000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cls);
    Stream s;
    s.object(c.cls);
    moduleRecord(s, c.type, "Knob");
    s.b.i32(9);
    c.values(s.b);
    s.rect(5, 6, 7, 8);
    s.b.text("hint");
    auto control = readAlone<CControl>(s.b.bytes(), kCurrentFileVersion);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->controlId(), 9);
    EXPECT_EQ(control->GetPatchValueText(0), c.text0);
    EXPECT_EQ(control->getRect(kViewPanel), (Rect{5, 6, 7, 8}));
    EXPECT_EQ(storeAlone(control.get()), s.b.bytes());
  }
  // A new text control holds "xxx"; a lamp keeps one value for every program.
  EXPECT_EQ(Ctl_Text(GetModuleRegistry().FindModuleInfo("Text Entry")).GetPatchValueText(5), "xxx");
  EXPECT_EQ(Ctl_LED().patchCount(), 1);
}

TEST(DocumentRecords, MultistageEnvReadsTheCurrentProgramsTextAfterLoading) {
  // Texts per program; the current program's becomes the segment list once the load is
  // finished. A text that does not read leaves the default envelope with a message, and the
  // record keeps the text as it was.
  MessageService messages;
  MessageServiceScope scope(messages);
  messages.setLogToStderr(false);
  struct Case {
    const char* text1;
    size_t segments;
    int sustain;
    bool message;
  };
  const Case cases[] = {
      {"(0.2,0.5)S(0.3,0.25)", 2, 1, false},
      {"", 3, 1, false},  // the default envelope
      {"(0.2,0.5)(oops)", 3, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text1);
    messages.clearShown();
    Stream s;
    s.object("Ctl_Env_Edit");
    docOb(s, kCurrentFileVersion, "Multistage Env");
    s.b.count(1);
    s.object("CPlug2", kPlugSchema);  // "Ignore Program Change" off: values per program
    s.b.i16(3).text("0").count(0);
    s.b.text("Env").i16(0);
    s.rect(1, 2, 3, 4);
    s.b.i32(0).i32(128).count(128);
    for (int i = 0; i < 128; ++i) s.b.text(i == 1 ? c.text1 : "(1,1)");
    s.rect(5, 6, 7, 8);
    s.b.text("");
    CContainer box(GetModuleRegistry().FindModuleInfo("Container"));
    box.setProgram(1);
    auto env = readAlone<Ctl_Env_Edit>(s.b.bytes(), kCurrentFileVersion);
    ASSERT_NE(env, nullptr);
    EXPECT_EQ(env->GetPatchValueText(1), c.text1);
    EXPECT_EQ(env->GetPatchValueText(2), "(1,1)");
    box.adopt(env.get());  // leaves the container again when it is deleted
    env->afterLoad();
    EXPECT_EQ(env->segments().size(), c.segments);
    EXPECT_EQ(env->sustainSegment(), c.sustain);
    EXPECT_EQ(messages.shownTexts().size(), c.message ? 1u : 0u);
    EXPECT_EQ(storeAlone(env.get()), s.b.bytes());
  }
}

TEST(DocumentRecords, PatchParameterSettingsFromVersion95072) {
  auto bytes = [](int32_t v, bool settings) {
    Stream s;
    s.object("ui_param_float_in");
    docOb(s, v, "Patch Parameter - Voltage");
    s.b.count(0).text("Cutoff").i16(0);
    s.rect(1, 2, 3, 4);
    s.b.i32(0).i32(1).u64(0x4000000000000000ull);
    s.rect(0, 0, 10, 10);
    s.b.text("");
    if (settings) s.b.i32(74).i32(300);
    return s.b.bytes();
  };
  auto old = readAlone<ui_param_float_in>(bytes(95071, false), 95071);
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->controllerSetting(), -1);
  EXPECT_EQ(old->nrpnSetting(), 0);
  auto current = readAlone<ui_param_float_in>(bytes(95072, true), 95072);
  ASSERT_NE(current, nullptr);
  EXPECT_EQ(current->controllerSetting(), 74);
  EXPECT_EQ(current->nrpnSetting(), 300);
  EXPECT_EQ(current->GetValue(0), 2.0);
  EXPECT_EQ(storeAlone(current.get()), bytes(kCurrentFileVersion, true));
}

TEST(DocumentRecords, PatchSelectBeforeVersion50KeepsAnOldStyleControl) {
  // From 50: the module record alone.
  Stream now;
  now.object("Ctl_PatchSel");
  docOb(now, 50, "Patch Select", 15);
  now.b.count(0).text("Programs").i16(0);
  now.rect(1, 2, 3, 4);
  auto modern = readAlone<Ctl_PatchSel>(now.b.bytes(), 50);
  ASSERT_NE(modern, nullptr);
  EXPECT_EQ(modern->oldStyleControl(), nullptr);
  EXPECT_EQ(modern->getTitle(), "Programs");

  // Before: a complete control record with one value; at exactly 18 it has no values and
  // program 0's value is raised by one.
  for (int32_t v : {49, 18}) {
    SCOPED_TRACE(v);
    Stream s;
    s.object("Ctl_PatchSel");
    if (v > 36) docOb(s, v, "", -1);
    s.b.count(0).text("Old").i16(0);
    if (v >= 37) s.rect(1, 2, 3, 4);
    if (v > 18) s.b.i32(1).u64(0x4008000000000000ull);
    s.rect(9, 9, 19, 19);
    auto old = readAlone<Ctl_PatchSel>(s.b.bytes(), v);
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->moduleTypeId(), "Patch Select");
    ASSERT_NE(old->oldStyleControl(), nullptr);
    EXPECT_EQ(old->oldStyleControl()->patchCount(), 1);
    EXPECT_EQ(old->oldStyleControl()->GetValue(0), v == 18 ? 1.0 : 3.0);
  }
}

TEST(DocumentRecords, ControlGroupOwnsItsMembers) {
  Stream s;
  s.object("control_group_ob");  // 1, group 2
  moduleRecord(s, "Control Group", "Group");
  s.b.null();
  s.rect(10, 10, 110, 60);
  s.object("control_ob_base");  // 3, member 4
  moduleRecord(s, "", "A");
  s.b.null();
  s.rect(0, 0, 20, 20);
  s.object("control_ob_base");  // member 5
  moduleRecord(s, "", "B");
  s.b.objectRef(4);  // a reference to the first member
  s.rect(30, 0, 50, 20);
  s.b.null();
  auto group = readAlone<control_group_ob>(s.b.bytes(), kCurrentFileVersion);
  ASSERT_NE(group, nullptr);
  ASSERT_EQ(group->members().size(), 2u);
  EXPECT_EQ(group->members()[1]->referencedObject(), group->members()[0]);
  EXPECT_EQ(group->getRect(kViewPanel), (Rect{10, 10, 110, 60}));
  EXPECT_EQ(storeAlone(group.get()), s.b.bytes());

  // A member listed by two groups is refused.
  Stream twice;
  twice.object("control_group_ob");
  moduleRecord(twice, "Control Group", "G");
  twice.b.null();
  twice.rect(0, 0, 1, 1);
  twice.object("control_ob_base");
  moduleRecord(twice, "", "A");
  twice.b.null();
  twice.rect(0, 0, 1, 1);
  twice.b.objectRef(4).null();
  std::string message;
  LoadContext context;
  ArchiveLoad load = loadArchive(twice.b.bytes(), documentClasses(), [&](ArchiveReader& r) {
    r.keep(r.readObjectAs<control_group_ob>());
    commitDocumentLoad(r);
    return true;
  }, context);
  EXPECT_NE(load.status, ArchiveLoad::kLoaded);

  // Scaler and spring: the module record unchanged.
  for (const char* cls : {"ui_scaler", "ui_spring"}) {
    Stream m;
    m.object(cls);
    moduleRecord(m, cls == std::string("ui_scaler") ? "Scaler" : "Spring", "S");
    auto ob = readAlone<CUG>(m.b.bytes(), kCurrentFileVersion);
    ASSERT_NE(ob, nullptr);
    EXPECT_EQ(storeAlone(ob.get()), m.b.bytes());
  }
}

TEST(DocumentRecords, PlugClassesLedAndPortal) {
  registerRecordTypes();
  // A module with a controlled plug and two kinds of feature plug (no declarations: -1).
  Stream s;
  s.object("CUG");
  s.b.text("R Gen").count(3);
  s.object("CPlugControled");
  s.b.i16(-1).text("2.5").count(0).text("Cutoff").i32(DR_OUT).i32(dt_volts).text("");
  s.object("CPlugFeature2");  // CPlug2, then direction, datatype, feature number, name, extra
  s.b.i16(-1).text("0").count(0).i32(DR_IN).i32(dt_text).i32(4).text("Filename").text("bmp");
  s.object("CPlugFeature3");
  s.b.i16(-1).text("0").count(0).i32(DR_OUT).i32(dt_float).i32(5).text("Position").text("").u8(1);
  s.b.text("Gen").i16(0);
  s.rect(0, 0, 20, 20);
  auto module = readAlone<CUG>(s.b.bytes(), kCurrentFileVersion);
  ASSERT_NE(module, nullptr);
  auto* controlled = dynamic_cast<CPlugControled*>(module->plug(0));
  auto* feature = dynamic_cast<CPlugFeature2*>(module->plug(1));
  auto* holder = dynamic_cast<CPlugFeature3*>(module->plug(2));
  ASSERT_TRUE(controlled && feature && holder);
  EXPECT_EQ(controlled->getName(), "Cutoff");
  EXPECT_EQ(controlled->getDirection(), DR_OUT);
  EXPECT_EQ(feature->featureIndex(), 4);
  EXPECT_EQ(feature->getName(), "Filename");
  EXPECT_EQ(feature->getFileExtension(), "bmp");
  EXPECT_TRUE(holder->relay());
  EXPECT_NE(dynamic_cast<control_relay<float>*>(holder->holder()), nullptr);
  EXPECT_EQ(storeAlone(module.get()), s.b.bytes());

  // CLED: the module record, then four int32.
  Stream led;
  led.object("CLED");
  led.b.text("R Gen").count(0).text("Lamp").i16(0);
  led.rect(0, 0, 20, 20);
  led.b.i32(1).i32(-2).i32(3).i32(4);
  auto lamp = readAlone<CLED>(led.b.bytes(), kCurrentFileVersion);
  ASSERT_NE(lamp, nullptr);
  EXPECT_EQ(lamp->values, (std::array<int32_t, 4>{1, -2, 3, 4}));
  EXPECT_EQ(storeAlone(lamp.get()), led.b.bytes());

  // CPortal: its CDocOb record at every version (here 40, where modules have it too, and 36,
  // where a module would not); the scroll-bar mode from 68 on, else 3.
  for (int32_t v : {36, 67, 68, 95081}) {
    SCOPED_TRACE(v);
    Stream p;
    p.object("CPortal");
    docOb(p, v, "Sub Panel", 102);
    p.b.text("Sub");
    p.rect(1, 2, 3, 4);
    if (v >= 68) p.b.i32(2);
    auto portal = readAlone<CPortal>(p.b.bytes(), v);
    ASSERT_NE(portal, nullptr);
    EXPECT_EQ(portal->moduleTypeId(), "Sub Panel");
    EXPECT_EQ(portal->targetName(), "Sub");
    EXPECT_EQ(portal->getRect(kViewPanel), (Rect{1, 2, 3, 4}));
    EXPECT_EQ(portal->scrollBarMode(), v >= 68 ? 2 : 3);
    if (v == kCurrentFileVersion) {
      EXPECT_EQ(storeAlone(portal.get()), p.b.bytes());
    }
  }
}

TEST(DocumentRecords, PlugFieldsFollowTheFileVersion) {
  registerRecordTypes();
  // Version 35: plugs list no connections; the connection's ends say where it goes. Modules
  // of such files have no type, so only plugs without a declaration (feature plugs) load.
  {
    const int32_t v = 35;
    auto featurePlug = [](Stream& s, int32_t direction) {
      s.object("CPlugFeature2");
      s.b.i16(-1).text("0").i32(direction).i32(dt_float).i32(0).text("Value").text("");
    };
    Stream s;
    s.object("CContainer", kContainerSchema);  // 1, 2
    s.b.count(0).text("Main").i16(0).i32(3);
    s.object("CUG");                           // 3, 4
    s.b.count(1);
    featurePlug(s, DR_OUT);                    // 5, 6
    s.b.text("Gen").i16(0);
    s.object("CUG");                           // 7
    s.b.count(1);
    featurePlug(s, DR_IN);                     // 8
    s.b.text("Sink").i16(0);
    s.object("CLine2");                        // 9, 10
    s.b.objectRef(6).objectRef(8);
    s.rect(0, 0, 0, 0).rect(0, 0, 0, 0);
    s.b.i32(0).i32(0).i32(0).i32(0).i32(0);    // scroll positions, view flags
    std::unique_ptr<CContainer> root = loadOrFail(s.b.bytes(), v);
    ASSERT_NE(root, nullptr);
    auto* line = dynamic_cast<CLine2*>(root->children()[2]);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->moduleTypeId(), "Line");
    EXPECT_EQ(line->from()->lines(), std::vector<CLine2*>{line});
    EXPECT_EQ(line->to()->lines(), std::vector<CLine2*>{line});
  }
  // Modules on their own: before version 8 the type number follows the title; from 8 to 36
  // a module record has no type.
  for (int32_t v : {7, 8}) {
    SCOPED_TRACE(v);
    Stream s;
    s.object("CUG");
    s.b.count(0).text("Sw");
    if (v <= 7) s.b.i32(23);
    s.b.i16(1);
    auto module = readAlone<CUG>(s.b.bytes(), v);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->moduleTypeId(), v <= 7 ? "Switch" : "");
    EXPECT_TRUE(module->isDisabled());
  }
  // IO plugs store their datatype from 94962 on.
  for (int32_t v : {94961, 94962}) {
    SCOPED_TRACE(v);
    Stream s;
    s.object("CPlugIO2");
    s.b.i16(0).text("0").count(0).text("Out 1").i16(1).null();
    if (v >= 94962) s.b.i16(dt_midi);
    auto plug = readAlone<CPlugIO2>(s.b.bytes(), v);
    ASSERT_NE(plug, nullptr);
    EXPECT_EQ(plug->getName(), "Out 1");
    EXPECT_EQ(plug->role(), CPlugIO2::kRoleOutput);
    EXPECT_EQ(plug->getDatatype(), v >= 94962 ? dt_midi : dt_volts);
  }
}

// Malformed documents: each load fails with a message that says what is wrong, and nothing
// read survives (the sanitizer build finds leaks and double frees).
TEST(DocumentRecords, MalformedDocumentsFailCleanly) {
  registerRecordTypes();
  // A root with a "R Gen" (plug Out at 6) and a "R Sink" (plug In at 9); `more` adds children
  // after them (the count includes them) and `outList`/`inList` fill the plugs' line lists.
  struct Parts {
    std::function<void(Stream&)> outList = [](Stream& s) { s.b.count(0); };
    std::function<void(Stream&)> inList = [](Stream& s) { s.b.count(0); };
    std::function<void(Stream&)> sinkPlugs = nullptr;
    int16_t outIndex = 0;
    std::string sinkType = "R Sink";
    std::vector<std::function<void(Stream&)>> more;
  };
  auto patch = [](const Parts& p) {
    Stream s;
    s.object("CContainer", kContainerSchema);    // 1, 2
    s.b.text("Container").count(0).text("Main").i16(0);
    s.rect(0, 0, 0, 0);
    s.b.i32(static_cast<int32_t>(2 + p.more.size()));
    s.object("CUG");                             // 3, 4
    s.b.text("R Gen").count(1);
    s.object("CPlug2", kPlugSchema);             // 5, 6
    s.b.i16(p.outIndex).text("0");
    p.outList(s);
    s.b.text("Gen").i16(0);
    s.rect(0, 0, 0, 0);
    s.object("CUG");                             // 7
    s.b.text(p.sinkType);
    if (p.sinkPlugs) {
      p.sinkPlugs(s);
    } else {
      s.b.count(1);
      s.object("CPlugNameable");                 // 8, 9
      s.b.i16(0).text("0");
      p.inList(s);
      s.b.text("In");
    }
    s.b.text("Sink").i16(0);
    s.rect(0, 0, 0, 0);
    for (const auto& m : p.more) m(s);
    s.rect(0, 0, 0, 0).rect(0, 0, 0, 0).rect(0, 0, 0, 0);
    s.b.i32(0).i32(0).i32(0).i32(0).i32(0).text("default").count(0).i32(0).u8(0);
    return s.b.bytes();
  };
  // A connection from Out (6) to In (9) as a child; its index is 11 when it is the first new
  // object after the two modules.
  auto line = [](uint32_t from, uint32_t to) {
    return [=](Stream& s) {
      s.object("CLine2");
      s.b.text("Line");
      from ? s.b.objectRef(from) : s.b.null();
      to ? s.b.objectRef(to) : s.b.null();
    };
  };
  auto listing = [](uint32_t index) { return [=](Stream& s) { s.b.count(1).objectRef(index); }; };

  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* message;  // a part of the message
  };
  std::vector<Case> cases;
  {
    Parts p;
    p.more = {line(6, 9)};
    p.outList = listing(11);  // forward: fails, the line is new only later
    cases.push_back({"a plug lists an object that does not exist yet", patch(p), "names no object"});
  }
  {
    Parts p;
    p.more = {line(6, 9)};
    cases.push_back({"a connection its plugs do not list", patch(p), "does not list its connection"});
  }
  {
    Parts p;
    p.more = {line(6, 0)};
    cases.push_back({"a connection without an end", patch(p), "lacks an end"});
  }
  {
    // The line's "to" is a new plug that no module owns.
    Parts p;
    p.more = {[](Stream& s) {
      s.object("CLine2");  // 10, 11
      s.b.text("Line").objectRef(6);
      s.object("CPlug2");  // 12
      s.b.i16(0).text("0").count(1).objectRef(11);
    }};
    p.outList = [](Stream& s) { s.b.count(0); };
    cases.push_back({"a connection to a plug outside the tree", patch(p), "outside that container"});
  }
  {
    // Sink lists Gen's plug as its own: one plug in two modules.
    Parts p;
    p.sinkPlugs = [](Stream& s) { s.b.count(1).objectRef(6); };
    cases.push_back({"a plug adopted twice", patch(p), "two owners"});
  }
  {
    Parts p;
    p.more = {[](Stream& s) { s.b.objectRef(2); }};
    cases.push_back({"a container inside itself", patch(p), "contain itself"});
  }
  {
    Parts p;
    p.sinkPlugs = [](Stream& s) {
      s.b.count(1);
      s.object("CLine2");
      s.b.text("Line").null().null();
    };
    cases.push_back({"a connection where a plug is expected", patch(p), "expected a CPlug2"});
  }
  {
    Parts p;
    p.outIndex = 2;
    cases.push_back({"a declaration number the type lacks", patch(p), "declaration number 2"});
  }
  {
    Parts p;
    p.sinkType = "No Such Module";
    cases.push_back({"an unknown module type", patch(p), "\"No Such Module\""});
  }
  {
    Parts p;
    p.outList = listing(4);  // a module where a connection is expected
    cases.push_back({"a plug listing a module", patch(p), "expected a CLine2"});
  }
  {
    // An IO plug whose partner does not point back.
    Parts p;
    p.more = {[](Stream& s) {
      s.object("CUG");          // 10
      s.b.text("R Gen").count(2);
      s.object("CPlugIO2");     // 11, 12
      s.b.i16(0).text("0").count(0).text("a").i16(0);
      s.object("CPlugIO2");     // 13
      s.b.i16(0).text("0").count(0).text("b").i16(1).null().i16(5);
      s.b.i16(5).objectRef(13);  // (the list continues with plug 13 itself)
      s.b.text("Two").i16(0);
      s.rect(0, 0, 0, 0);
    }};
    cases.push_back({"a one-sided IO pair", patch(p), "does not match up"});
  }
  {
    Parts p;
    p.more = {[](Stream& s) {
      s.object("CUG");
      s.b.text("IO Mod").count(0).text("IO").i16(0);
      s.rect(0, 0, 0, 0);
    }};
    cases.push_back({"an IO module in the outermost container", patch(p), "IO module"});
  }
  {
    std::vector<uint8_t> b = patch(Parts{});
    // The children count sits after the root's class record, type, plug count, title,
    // disabled and rectangle.
    const size_t at = 2 + 2 + 2 + 10 + 10 + 2 + 5 + 2 + 16;
    b[at] = 0xFF, b[at + 1] = 0xFF, b[at + 2] = 0xFF, b[at + 3] = 0xFF;
    cases.push_back({"a negative number of children", b, "negative count"});
  }

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ContainerLoad load = loadRootSlot(c.bytes);
    EXPECT_EQ(load.container, nullptr);
    EXPECT_NE(load.message.find(c.message), std::string::npos) << load.message;
  }
  // The patch the cases start from loads.
  EXPECT_NE(loadRootSlot(patch(Parts{})).container, nullptr);
}

}  // namespace
}  // namespace kv
