// Graph building: sort orders, feedback paths, nested voice sources, automatic summing,
// container boundaries and constant sources for unconnected container plugs.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "engine/graph_sort.h"
#include "engine/kv_exception.h"
#include "engine/ug_adder.h"
#include "tests/support/engine_rig.h"
#include "tests/support/voice_rig.h"

namespace kv::test {
namespace {

// A master and a builder; the graph dies before the master.
struct Patch {
  explicit Patch(EngineHost* host = nullptr) : master(host, 512, 48000.0f) {}
  KvAudioMaster master;
  GraphBuilder b{master};
  std::unique_ptr<ug_container> root;
  ug_container* top() { return root ? root.get() : b.root(); }
  void Start() {
    b.Build();
    root = b.TakeRoot();
    master.Start(root.get());
    master.SetRunning(true);
  }
  template <typename T>
  std::vector<T*> All() {
    std::vector<ug_base*> all;
    top()->CollectAll(all);
    std::vector<T*> out;
    for (ug_base* u : all)
      if (auto* t = dynamic_cast<T*>(u)) out.push_back(t);
    return out;
  }
};

UPlug* In(ug_base* u) { return u->GetPlug("In"); }
UPlug* Out(ug_base* u) { return u->GetPlug("Out"); }

TEST(Sort, OrdersFollowTheDocumentedRules) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, int>> edges;  // source index -> destination index, in order
    std::vector<bool> sort_first;
    std::vector<int32_t> orders;
  };
  const Case cases[] = {
      {"chain A->B->C", {{0, 1}, {1, 2}}, {false, false, false}, {8, 4, 0}},
      {"sort-first sink and its source", {{0, 1}}, {false, true}, {204, 200}},
      {"sort-first source", {{0, 1}}, {true, false}, {204, 0}},
      {"lonely module", {}, {false}, {0}},
      {"diamond", {{0, 1}, {0, 2}, {1, 3}, {2, 3}}, {false, false, false, false}, {8, 4, 4, 0}},
      {"long and short path", {{0, 1}, {1, 2}, {0, 2}}, {false, false, false}, {8, 4, 0}},
      {"built sink first", {{2, 1}, {1, 0}}, {false, false, false}, {0, 4, 8}},
  };
  for (const Case& c : cases) {
    Patch p;
    std::vector<Probe*> u;
    for (std::size_t i = 0; i < c.sort_first.size(); ++i) {
      u.push_back(p.b.Add<Probe>(p.b.root()));
      if (c.sort_first[i]) u.back()->flags |= UGF_SORT_FIRST;
    }
    for (auto [s, d] : c.edges) {
      // Probes have one audio input: further sources go to the float input.
      UPlug* dest = u[d]->plugs[Probe::kIn]->HasSource() ? u[d]->plugs[Probe::kValue]
                                                         : u[d]->plugs[Probe::kIn];
      ASSERT_TRUE(p.b.Connect(u[s]->plugs[Probe::kOut], dest)) << c.name;
    }
    p.b.Build();
    for (std::size_t i = 0; i < u.size(); ++i)
      EXPECT_EQ(u[i]->sort_order, c.orders[i]) << c.name << ", module " << i;
  }
}

TEST(Sort, DependsOnBuildOrderOnlyNeverOnAddresses) {
  // The same graph built several times, with the heap in different states, numbers alike.
  std::vector<std::vector<int32_t>> runs;
  std::vector<std::unique_ptr<char[]>> clutter;
  for (int round = 0; round < 4; ++round) {
    clutter.push_back(std::make_unique<char[]>(1000 * (round + 1)));
    Patch p;
    std::vector<Probe*> u;
    for (int i = 0; i < 12; ++i) u.push_back(p.b.Add<Probe>(p.b.root()));
    for (int i = 0; i < 11; ++i) p.b.Connect(u[i]->plugs[Probe::kOut], u[(i * 7 + 5) % 12 > i ? (i * 7 + 5) % 12 : 11]->plugs[Probe::kValue]);
    p.b.Build();
    std::vector<int32_t> orders;
    for (Probe* x : u) orders.push_back(x->sort_order);
    runs.push_back(orders);
  }
  for (const auto& r : runs) EXPECT_EQ(r, runs[0]);
}

TEST(Feedback, NamesTheFirstLoopMetAndLeavesNothingBuilt) {
  const auto doc = [](int i) { return reinterpret_cast<DocumentModule*>(0x1000 + 0x10 * i); };
  struct Case {
    const char* name;
    std::vector<std::pair<int, int>> edges;
    int first, second;
    const char* first_class;
  };
  // Module 1 of the third case has two sources: an adder (named by the module it feeds)
  // closes the loop.
  const Case cases[] = {
      {"self connection", {{0, 0}}, 0, 0, "Counted"},
      {"two-module loop", {{0, 1}, {1, 0}}, 0, 1, "Counted"},
      {"three-module loop", {{0, 1}, {1, 2}, {2, 0}}, 0, 2, "Counted"},
      {"loop behind a feed-forward part", {{0, 1}, {1, 2}, {2, 1}}, 1, 2, "ug_adder"},
      {"two loops: the first built is named", {{2, 3}, {3, 2}, {0, 1}, {1, 0}}, 0, 1, "Counted"},
      {"two loops, other build order", {{0, 1}, {1, 0}, {2, 3}, {3, 2}}, 0, 1, "Counted"},
  };
  for (const Case& c : cases) {
    Counted::live = 0;
    {
      Patch p;
      std::vector<Counted*> u;
      for (int i = 0; i < 4; ++i) {
        u.push_back(p.b.Add<Counted>(p.b.root()));
        u.back()->document_module = doc(i);
      }
      for (auto [s, d] : c.edges) ASSERT_TRUE(p.b.Connect(u[s]->plugs[1], u[d]->plugs[0]));
      try {
        p.b.Build();
        ADD_FAILURE() << c.name << ": no feedback reported";
      } catch (const KvException& e) {
        EXPECT_EQ(e.kind, KvException::kFeedback) << c.name;
        EXPECT_EQ(e.first_module, doc(c.first)) << c.name;
        EXPECT_EQ(e.second_module, doc(c.second)) << c.name;
        EXPECT_EQ(e.first_class, c.first_class) << c.name;
      }
      EXPECT_EQ(p.master.run_list_head(), nullptr) << "nothing was started";
    }
    EXPECT_EQ(Counted::live, 0) << c.name << ": the partial graph is gone";
  }
}

TEST(Feedback, EngineMadeModuleIsNamedByTheModuleItFeeds) {
  Patch p;
  auto* a = p.b.Add<Counted>(p.b.root());
  auto* b = p.b.Add<Counted>(p.b.root());
  auto* c = p.b.Add<Counted>(p.b.root());
  c->document_module = reinterpret_cast<DocumentModule*>(0x30);
  p.b.Connect(a->plugs[1], c->plugs[0]);
  p.b.Connect(b->plugs[1], c->plugs[0]);  // an adder now feeds c
  auto adders = p.All<ug_adder>();
  ASSERT_EQ(adders.size(), 1u);
  KvException e(KvException::kFeedback, adders[0], c);
  EXPECT_EQ(e.first_module, c->document_module);
  EXPECT_EQ(e.first_class, "ug_adder");
}

TEST(Feedback, MessageTexts) {
  EXPECT_EQ(FeedbackMessage(true, "Synth", "Osc", "Synth", "Filter"),
            "This patch contains a FEEDBACK path (highlighed in red), Please remove.\n "
            "Synth.Osc -> Synth.Filter");
  EXPECT_EQ(FeedbackMessage(false, "A", "x", "B", "y"),
            "This patch contains a FEEDBACK path, Please remove.\n A.x -> B.y");
}

TEST(VoiceSources, NestedOrBesideAnotherAreRefusedWithKindTwo) {
  EXPECT_EQ(std::string(kNestedVoiceSourcesText),
            "ERROR: You have more than one 'MidiToCv', 'Soundfont Player', or 'Drum Trigger' in "
            "same container (or in a sub-container).");
  // Nested directly, nested through a flattened container, and a voice-source container
  // beside a voice source.
  for (int shape = 0; shape < 3; ++shape) {
    Patch p;
    ug_container* outer = p.b.AddContainer(p.b.root(), true);
    p.b.Add<NoteProbe>(outer);
    ug_container* parent = shape == 1 ? p.b.AddContainer(outer, false) : outer;
    try {
      p.b.AddContainer(parent, true);
      ADD_FAILURE() << "shape " << shape;
    } catch (const KvException& e) {
      EXPECT_EQ(e.kind, KvException::kNestedVoiceSources);
      EXPECT_EQ(e.second, outer);
    }
  }
  // Siblings are fine.
  Patch p;
  p.b.Add<NoteProbe>(p.b.AddContainer(p.b.root(), true));
  p.b.Add<NoteProbe>(p.b.AddContainer(p.b.root(), true));
  EXPECT_NO_THROW(p.Start());
}

TEST(VoiceSources, TwoInOneVoiceGiveTheModuleMessageAndStopPanelMessages) {
  MessageHost host;
  Patch p(&host);
  ug_container* box = p.b.AddContainer(p.b.root(), true);
  p.b.Add<NoteProbe>(box);
  p.b.Add<NoteProbe>(box);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0],
            "NoteProbe : You have several 'MidiToCv', 'Soundfont Player', or 'Drum Trigger' "
            "modules together. Put each in it's own container.");
  EXPECT_TRUE(p.master.closing());
  p.Start();  // the graph is still built
  EXPECT_EQ(box->VoiceCount(), 6);
}

// Three static sources, 1 V, 2 V and -0.5 V, on one input; then one starts streaming.
TEST(Summing, StaticSumThenStreamingThroughOneAdder) {
  Patch p;
  std::vector<Script*> s;
  const float volts[] = {0.1f, 0.2f, -0.05f};
  for (int i = 0; i < 3; ++i) {
    s.push_back(p.b.Add<Script>(p.b.root()));
    s[i]->steps.push_back({0, Script::kOut, ST_ONE_OFF, volts[i]});
  }
  s[1]->steps.push_back({300, Script::kOut, ST_RUN, 0.2f});
  auto* probe = p.b.Add<Probe>(p.b.root());
  for (Script* x : s) ASSERT_TRUE(p.b.Connect(x->plugs[Script::kOut], probe->plugs[Probe::kIn]));
  auto adders = p.All<ug_adder>();
  ASSERT_EQ(adders.size(), 1u) << "the third source joined the same adder";
  const auto& sources = adders[0]->inputs().sources;
  ASSERT_EQ(sources.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(sources[i].plug, s[i]->plugs[Script::kOut]) << "collector order";
  p.Start();
  p.master.Run(256);
  EXPECT_NEAR(probe->in[0], 0.25f, 1e-7f);
  EXPECT_NEAR(probe->in[127], 0.25f, 1e-7f);
  EXPECT_EQ(adders[0]->streaming_count(), 0);
  EXPECT_TRUE(adders[0]->sleeping) << "a static sum sleeps";
  p.master.Run(256);
  EXPECT_EQ(adders[0]->streaming_count(), 1);
  EXPECT_EQ(adders[0]->plugs[ug_adder::kOut]->state, ST_RUN);
  EXPECT_NEAR(probe->in[511 - 384], 0.25f, 1e-7f);
}

TEST(Summing, OtherDatatypesKeepTheFirstSource) {
  MessageHost host;
  Patch p(&host);
  auto* a = p.b.Add<Script>(p.b.root());
  auto* b = p.b.Add<Script>(p.b.root());
  auto* probe = p.b.Add<Probe>(p.b.root());
  EXPECT_TRUE(p.b.Connect(a->plugs[Script::kFloat], probe->plugs[Probe::kValue]));
  EXPECT_FALSE(p.b.Connect(b->plugs[Script::kFloat], probe->plugs[Probe::kValue]));
  EXPECT_EQ(probe->plugs[Probe::kValue]->connections[0]->source, a->plugs[Script::kFloat]);
  EXPECT_EQ(host.messages.size(), 1u);
  EXPECT_TRUE(p.All<ug_adder>().empty());
}

TEST(Containers, BoundaryPlugsDropOutOfTheSignalPath) {
  Patch p;
  auto* src = p.b.Add<Script>(p.b.root());
  src->steps.push_back({0, Script::kOut, ST_ONE_OFF, 0.3f});
  ug_container* box = p.b.AddContainer(p.b.root(), false);
  auto [in_outer, in_inner] = p.b.AddContainerIo(box, dt_volts);
  auto [out_outer, out_inner] = p.b.AddContainerIo(box, dt_volts);
  auto* inside = p.b.Add<Probe>(box);
  auto* after = p.b.Add<Probe>(p.b.root());
  p.b.Connect(src->plugs[Script::kOut], in_outer);
  p.b.Connect(in_inner, inside->plugs[Probe::kIn]);
  p.b.Connect(inside->plugs[Probe::kOut], out_inner);
  p.b.Connect(out_outer, after->plugs[Probe::kIn]);
  EXPECT_EQ(inside->container, p.b.root()) << "a container without voice source is flattened";
  p.Start();
  EXPECT_EQ(inside->plugs[Probe::kIn]->connections[0]->source, src->plugs[Script::kOut]);
  EXPECT_EQ(after->plugs[Probe::kIn]->connections[0]->source, inside->plugs[Probe::kOut]);
  EXPECT_TRUE(in_outer->connections.empty());
  EXPECT_TRUE(out_inner->connections.empty());
  EXPECT_GT(src->sort_order, inside->sort_order);
  EXPECT_GT(inside->sort_order, after->sort_order);
  p.master.Run(64);
  EXPECT_EQ(after->in[10], 0.3f);
}

TEST(Containers, UnconnectedInnerOrOuterSideReadsAConstantZero) {
  Patch p;
  ug_container* box = p.b.AddContainer(p.b.root(), false);
  auto [out_outer, out_inner] = p.b.AddContainerIo(box, dt_volts);  // nothing inside
  auto [in_outer, in_inner] = p.b.AddContainerIo(box, dt_volts);    // nothing outside
  auto* after = p.b.Add<Probe>(p.b.root());
  auto* inside = p.b.Add<Probe>(box);
  p.b.Connect(out_outer, after->plugs[Probe::kIn]);
  p.b.Connect(in_inner, inside->plugs[Probe::kIn]);
  p.Start();
  p.master.Run(300);
  for (Probe* x : {after, inside}) {
    ASSERT_NE(x->in, nullptr);
    EXPECT_EQ(x->in[0], 0.0f);
    EXPECT_EQ(x->in[127], 0.0f);
    EXPECT_EQ(x->plugs[Probe::kIn]->state, ST_STOP);
  }
  EXPECT_EQ(out_outer->samples(), after->in);
  EXPECT_NE(after->in, p.master.zero_block()->samples()) << "its own block, not the shared one";
}

TEST(Containers, DocumentValueOfAnUnconnectedInputComesFromTheIoModule) {
  Patch p;
  auto* probe = p.b.Add<Probe>(p.b.root());
  ASSERT_TRUE(probe->plugs[Probe::kIn]->SetValueFromText("5"));
  p.Start();
  p.master.Run(10);
  EXPECT_EQ(probe->in[5], 0.5f);
  ug_base* io = p.top()->GetIoModule();
  EXPECT_EQ(probe->plugs[Probe::kIn]->connections[0]->source->owner, io);
  EXPECT_TRUE(io->flags & UGF_IO_MODULE);
}

}  // namespace
}  // namespace kv::test
