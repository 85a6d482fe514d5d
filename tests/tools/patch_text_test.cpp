// The text form of patches: what a compiled patch holds, compile -> dump -> compile giving the
// same bytes, and errors that name the line and the item.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "document/korvane_doc_vst.h"
#include "document/model/container.h"
#include "document/model/control.h"
#include "document/model/line.h"
#include "document/model/plug.h"
#include "document/text/patch_text.h"
#include "platform/message_service.h"

namespace kv {
namespace {

std::string fixture(const std::string& name) {
  std::ifstream in(std::string(KV_TOOLS_FIXTURES) + "/" + name);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

CUG* child(CContainer* c, const std::string& title) {
  for (CDocOb* o : c->children())
    if (auto* m = dynamic_cast<CUG*>(o); m && m->getTitle() == title) return m;
  return nullptr;
}

TEST(PatchText, CompiledPatchHoldsWhatTheTextSays) {
  text::CompileResult r = text::compilePatchText(fixture("synth.json"));
  ASSERT_TRUE(r.ok) << r.message;
  MessageService messages;
  messages.setLogToStderr(false);
  MessageServiceScope scope(messages);
  CKorvaneDocVST doc;
  std::unique_ptr<CContainer> root;
  ASSERT_TRUE(doc.ReadHeader(r.archive, root, true));
  doc.setRoot(root.release());

  EXPECT_EQ(doc.unique_id_text(), "KvSy");
  EXPECT_EQ(doc.product_text(), "Korvane Test Synth");
  EXPECT_EQ(doc.program_count(), 8);
  EXPECT_EQ(doc.plugin_flags(), 3);
  EXPECT_EQ(doc.editor_size(), (EditorSize{400, 300}));
  ASSERT_EQ(doc.embeddedFiles().size(), 1u);
  EXPECT_EQ(doc.embeddedFiles()[0]->data(), (std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}));

  CContainer* synth = doc.GetPatchContainer();
  ASSERT_NE(synth, nullptr);
  EXPECT_EQ(synth->getTitle(), "Test Synth");
  EXPECT_EQ(synth->programName(0), "Soft");
  EXPECT_EQ(synth->programName(1), "Bright");
  EXPECT_EQ(synth->programName(2), "Patch 3");
  EXPECT_EQ(synth->currentProgram(), 1);

  CUG* osc = child(synth, "Osc");
  CUG* amp = child(synth, "Amp");
  ASSERT_TRUE(osc && amp);
  EXPECT_EQ(osc->findPlug("Pitch")->storedValue(), "4.5");
  EXPECT_EQ(amp->findPlug("Volume")->storedValue(), "6");
  EXPECT_TRUE(osc->findPlug("Audio Out")->isConnectedTo(amp->findPlug("Signal")));
  EXPECT_EQ(osc->getRect(kViewStructure), (Rect{10, 10, 80, 60}));

  // The connection to the IO module made a pair of container plugs named "Left Out", and the
  // outer plug feeds the spare oscillator's pitch.
  CPlug2* outer = synth->findPlug("Left Out");
  ASSERT_NE(outer, nullptr);
  ASSERT_NE(outer->getPartner(), nullptr);
  EXPECT_TRUE(amp->findPlug("Output")->isConnectedTo(outer->getPartner()));
  EXPECT_TRUE(outer->isConnectedTo(child(doc.root(), "Osc")->findPlug("Pitch")));

  auto* level = dynamic_cast<CControl*>(child(synth, "Level"));
  ASSERT_NE(level, nullptr);
  EXPECT_EQ(level->GetValue(0), 0.25);
  EXPECT_EQ(level->GetValue(1), 0.75);
  EXPECT_EQ(level->GetValue(5), 0.25);
  EXPECT_EQ(level->hint(), "Output level");
  auto* env = dynamic_cast<CControl*>(child(synth, "Env"));
  ASSERT_NE(env, nullptr);
  EXPECT_EQ(env->GetPatchValueText(0), "(0.1,1.0)S(0.4,0.8)(1.0,0.0)");
  EXPECT_EQ(env->GetPatchValueText(1), "(0.2,0.5)(0.6,0.0)");
  EXPECT_EQ(env->GetPatchValueText(7), "(0.1,1.0)S(0.4,0.8)(1.0,0.0)");
  EXPECT_TRUE(messages.shownTexts().empty());
}

TEST(PatchText, CompileDumpCompileGivesTheSameBytes) {
  for (const char* name : {"synth.json", "minimal.json"}) {
    SCOPED_TRACE(name);
    text::CompileResult first = text::compilePatchText(fixture(name));
    ASSERT_TRUE(first.ok) << first.message;
    text::DumpResult dumped = text::dumpPatchText(first.archive);
    ASSERT_TRUE(dumped.ok) << dumped.message;
    text::CompileResult second = text::compilePatchText(dumped.json);
    ASSERT_TRUE(second.ok) << second.message << "\n" << dumped.json;
    EXPECT_EQ(first.archive, second.archive) << dumped.json;
    // And the dump of the second is the same text.
    EXPECT_EQ(text::dumpPatchText(second.archive).json, dumped.json);
  }
}

TEST(PatchText, TextsOutsideAsciiSurviveTheRoundTrip) {
  const std::string source = R"({"header": {"unique_id": "Kv\u00e9", "product": "Caf\u00e9 \u20ac"},
    "root": {"children": [{"type": "Container", "title": "Gr\u00fc\u00dfe"}]}})";
  text::CompileResult r = text::compilePatchText(source);
  ASSERT_TRUE(r.ok) << r.message;
  text::DumpResult d = text::dumpPatchText(r.archive);
  ASSERT_TRUE(d.ok);
  EXPECT_NE(d.json.find("Caf\xC3\xA9 \xE2\x82\xAC"), std::string::npos) << d.json;
  EXPECT_EQ(text::compilePatchText(d.json).archive, r.archive);
}

TEST(PatchText, ErrorsNameTheLineAndTheItem) {
  struct Case {
    const char* source;
    const char* message_part;
  };
  const Case cases[] = {
      {"{\n  \"root\": {\n    \"children\": [\n      {\"type\": \"No Such Type\", \"title\": \"X\"}\n    ]\n  }\n}",
       "line 4: unknown module type \"No Such Type\" (module \"X\")"},
      {"{\n  \"root\": {\n    \"children\": [\n      {\"type\": \"Oscillator\", \"title\": \"O\",\n"
       "       \"plugs\": {\"Pitchh\": \"3\"}}\n    ]\n  }\n}",
       "line 5: module \"O\" has no plug \"Pitchh\""},
      {"{\"root\": {\"children\": [{\"type\": \"Oscillator\", \"title\": \"O\"}],\n"
       " \"connections\": [\n  {\"from\": [\"O\", \"Audio Out\"], \"to\": [\"P\", \"In\"]}]}}",
       "line 3: a connection in the root container names no module \"P\""},
      {"{\"root\": {\"children\": [{\"type\": \"Oscillator\", \"title\": \"A\"}, {\"type\": \"Oscillator\", \"title\": \"B\"}],\n"
       " \"connections\": [\n  {\"from\": [\"A\", \"Audio Out\"], \"to\": [\"B\", \"Audio Out\"]}]}}",
       "line 3: can't connect \"A\" \"Audio Out\" to \"B\" \"Audio Out\": Can't connect same direction plugs"},
      {"{\"root\": {\"children\": [{\"type\": \"Oscillator\", \"title\": \"A\"}, {\"type\": \"Oscillator\", \"title\": \"A\"}]}}",
       "line 1: two modules of the root container are called \"A\""},
      {"{\n\"root\": {\"titel\": \"Main\"}}", "line 2: unknown item \"titel\" in the root container"},
      {"{\n\"header\": {\"program_count\": 500}, \"root\": {}}", "line 2: \"program_count\" of the header must lie between 1 and 128"},
      {"{\"root\": {\"children\": [{\"type\": \"IO Mod\"}]}}", "the root container cannot hold an IO module"},
      {"{\n  \"root\": {\n    \"title\": \"Main\",,\n  }\n}", "line 3, column 21: syntax error"},
      {"{\"embedded_files\": [{\"name\": \"a\", \"data\": \"!!\"}], \"root\": {}}", "is not base64"},
      {"{\"root\": {\"children\": [\n{\"type\": \"Multistage Env\", \"title\": \"E\", \"values\": [\"(0.1,1)\", \"(0.1,1)(0.05,0)\"]}]}}",
       "line 2: the value \"(0.1,1)(0.05,0)\" of module \"E\": the end time of segment 1 comes before the previous one"},
      {"[1, 2]", "a patch is one JSON object"},
      {"", "syntax error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    text::CompileResult r = text::compilePatchText(c.source);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.archive.empty());
    EXPECT_NE(r.message.find(c.message_part), std::string::npos) << r.message;
  }
}

// A misspelt plug name, in "plugs" or at either end of a connection, is answered with the
// plugs the module does have and the nearest of them, case aside.
TEST(PatchText, UnknownPlugsAreAnsweredWithTheModulesPlugs) {
  const std::string vca_plugs = "its plugs: Signal, Volume, Output, Response Curve";
  struct Case {
    const char* plugs;      // the "plugs" item of module "V"
    const char* from_plug;  // of "O" (an Oscillator)
    const char* to_plug;    // of "V" (a VCA)
    std::string message;
  };
  const Case cases[] = {
      {R"({"volume": "3"})", "Audio Out", "Signal",
       "line 2: module \"V\" has no plug \"volume\"; " + vca_plugs + "; did you mean \"Volume\"?"},
      {R"({"Respons Curv": "0"})", "Audio Out", "Signal",
       "line 2: module \"V\" has no plug \"Respons Curv\"; " + vca_plugs + "; did you mean \"Response Curve\"?"},
      {R"({"Gain": "3"})", "Audio Out", "Signal", "line 2: module \"V\" has no plug \"Gain\"; " + vca_plugs},
      {"{}", "Audio Out", "signal in",
       "line 3: can't connect \"O\" \"Audio Out\" to \"V\" \"signal in\": the \"to\" module \"V\" has no plug "
       "\"signal in\"; " + vca_plugs + "; did you mean \"Signal\"?"},
      {"{}", "audio", "Signal",
       "line 3: can't connect \"O\" \"audio\" to \"V\" \"Signal\": the \"from\" module \"O\" has no plug \"audio\"; "
       "its plugs: Pitch, Pulse Width, Waveform, Audio Out, Sync, Phase Mod, Freq Scale, PM Depth, "
       "Smooth Peaks (Gibbs Effect), Sync X-Fade (Anti Alias); did you mean \"Audio Out\"?"},
  };
  for (const Case& c : cases) {
    const std::string source = std::string(
                                   "{\"root\": {\"children\": [{\"type\": \"Oscillator\", \"title\": \"O\"},\n"
                                   "{\"type\": \"VCA\", \"title\": \"V\", \"plugs\": ") +
                               c.plugs + "}],\n\"connections\": [{\"from\": [\"O\", \"" + c.from_plug +
                               "\"], \"to\": [\"V\", \"" + c.to_plug + "\"]}]}}";
    SCOPED_TRACE(source);
    text::CompileResult r = text::compilePatchText(source);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, c.message);
  }
}

TEST(PatchText, DumpRefusesWhatItCannotDescribeAndDamagedPatches) {
  text::CompileResult r = text::compilePatchText(fixture("synth.json"));
  ASSERT_TRUE(r.ok);
  std::vector<uint8_t> cut(r.archive.begin(), r.archive.begin() + 100);
  text::DumpResult d = text::dumpPatchText(cut);
  EXPECT_FALSE(d.ok);
  EXPECT_FALSE(d.message.empty());
}

}  // namespace
}  // namespace kv
