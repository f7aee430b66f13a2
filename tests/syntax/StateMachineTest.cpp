#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "syntax/Sxcontext.h"
#include "syntax/Sxexception.h"
#include "syntax/Sxstatemachine.h"

using namespace swde;

namespace {

const sxStateChange* transition(const sxStateGraphs& g, const char* state, sxLineCode code) {
  const sxState* s = g.findState(state);
  if (s == nullptr) return nullptr;
  const auto it = s->transitions.find(code);
  return it == s->transitions.end() ? nullptr : &it->second;
}

TEST(StateGraphs, EmbeddedGraphsLoadCompletely) {
  const sxStateGraphs g(sxStateMachine::mainGraphText(), sxStateMachine::failGraphText());

  EXPECT_EQ(g.states().size(), 98u);
  EXPECT_EQ(g.transitionCount(), 453u);
  ASSERT_NE(g.initState(), nullptr);
  EXPECT_EQ(g.initState()->name, "$FILE");
  ASSERT_NE(g.findState("$FILEX"), nullptr);
  EXPECT_TRUE(g.findState("$FILEX")->transitions.empty());
  // Written without the colon.
  EXPECT_NE(g.findState("$TR"), nullptr);
  EXPECT_NE(g.findState("$IT"), nullptr);

  // The tables hold every transition of the text: none was lost to a second
  // transition on the same identifier in one state.
  std::size_t held = 0;
  for (const auto& [name, state] : g.states()) {
    EXPECT_EQ(state.name, name);
    held += state.transitions.size();
    for (const auto& [code, change] : state.transitions) {
      EXPECT_TRUE(identOf(code)) << name << " " << int(code);
      ASSERT_NE(change.state, nullptr) << name << " -> " << change.target;
      EXPECT_EQ(change.state, g.findState(change.target)) << name << " -> " << change.target;
      EXPECT_FALSE(change.ro || change.rl || change.record) << name;
    }
  }
  EXPECT_EQ(held, 453u);

  const std::set<sxSectionCode> sections = {scNone, scSD, scSG, scSN, scSO, scSP, scST};
  EXPECT_EQ(g.failLists().size(), 7u);
  EXPECT_EQ(g.failTransitionCount(), 61u);
  std::size_t fallbacks = 0;
  for (const auto& [section, list] : g.failLists()) {
    EXPECT_TRUE(sections.count(section)) << int(section);
    fallbacks += list.size();
    for (const auto& [code, change] : list) {
      EXPECT_TRUE(identOf(code)) << int(section) << " " << int(code);
      ASSERT_NE(change.state, nullptr) << change.target;
      EXPECT_EQ(change.state, g.findState(change.target)) << change.target;
    }
  }
  EXPECT_EQ(fallbacks, 61u);

  // The library's own tables are the same graphs.
  sxStateMachine::loadMachine();
  EXPECT_EQ(sxStateMachine::initiated(), 1);
  EXPECT_EQ(sxStateMachine::graphs().states().size(), 98u);
  EXPECT_EQ(sxStateMachine::graphs().transitionCount(), 453u);
  EXPECT_EQ(sxStateMachine::graphs().failTransitionCount(), 61u);
}

TEST(StateGraphs, EmbeddedConditionsAndFallbackOrder) {
  const sxStateGraphs& g = sxStateMachine::graphs();
  const sxStateChange* sd = transition(g, "$FILE", lcSD);
  ASSERT_NE(sd, nullptr);
  EXPECT_TRUE(sd->swing);
  EXPECT_FALSE(sd->swde || sd->rc);
  const sxStateChange* end = transition(g, "$SX", lcSWDEX);
  ASSERT_NE(end, nullptr);
  EXPECT_TRUE(end->swde);
  EXPECT_EQ(end->target, "$FILEX");
  const sxStateChange* we = transition(g, "$TD", lcWE);
  ASSERT_NE(we, nullptr);
  EXPECT_TRUE(we->rc);
  EXPECT_FALSE(we->swing || we->swde);
  ASSERT_NE(transition(g, "$WE", lcWE), nullptr);
  EXPECT_FALSE(transition(g, "$WE", lcWE)->rc);

  // GX in the SO section: the RO fallback comes before the RL one.
  const sxStateMultiMap* so = g.failList(scSO);
  ASSERT_NE(so, nullptr);
  const auto [first, last] = so->equal_range(lcGX);
  ASSERT_EQ(std::distance(first, last), 2);
  EXPECT_EQ(first->second.target, "$GX-OBSZAR");
  EXPECT_TRUE(first->second.ro);
  EXPECT_EQ(std::next(first)->second.target, "$GX-LINIA");
  EXPECT_TRUE(std::next(first)->second.rl);
  EXPECT_EQ(g.failList(scNone)->size(), 5u);
}

TEST(StateGraphs, GrammarDetails) {
  // Comments, CR, tabs, optional colons, forward references, conditions in
  // any case; "#:" and an unknown section name both mean outside a section.
  const char* mainText =
      "; a comment line\r\n"
      "$A:\t; opens A\r\n"
      "\tB\t$B   swing ; to B\r\n"
      "  W $A Rc\r\n"
      "$B\n"
      "  B $A SWDE swing\n";
  const char* failText =
      "#SP:\n"
      "  B $B record\n"
      "  B $A\n"
      "#:\n"
      "  W $A\n"
      "#XX:\n"
      "  W $B RL RO\n";
  const sxStateGraphs g(mainText, failText);
  EXPECT_EQ(g.states().size(), 2u);
  EXPECT_EQ(g.transitionCount(), 3u);
  EXPECT_EQ(g.initState()->name, "$A");
  const sxStateChange* ab = transition(g, "$A", lcB);
  ASSERT_NE(ab, nullptr);
  EXPECT_EQ(ab->state, g.findState("$B"));
  EXPECT_TRUE(ab->swing);
  EXPECT_FALSE(ab->swde);
  EXPECT_TRUE(transition(g, "$A", lcW)->rc);
  EXPECT_TRUE(transition(g, "$B", lcB)->swde && transition(g, "$B", lcB)->swing);

  EXPECT_EQ(g.failLists().size(), 2u);
  EXPECT_EQ(g.failTransitionCount(), 4u);
  const sxStateMultiMap* sp = g.failList(scSP);
  ASSERT_NE(sp, nullptr);
  ASSERT_EQ(sp->count(lcB), 2u);
  EXPECT_TRUE(sp->find(lcB)->second.record);
  EXPECT_EQ(std::next(sp->find(lcB))->second.target, "$A");
  const sxStateMultiMap* outside = g.failList(scNone);
  ASSERT_NE(outside, nullptr);
  ASSERT_EQ(outside->size(), 2u);
  EXPECT_EQ(outside->begin()->second.target, "$A");
  EXPECT_TRUE(std::next(outside->begin())->second.rl);
  EXPECT_TRUE(std::next(outside->begin())->second.ro);
  EXPECT_EQ(g.failList(scSO), nullptr);
}

TEST(StateGraphs, BadGraphsAreRefused) {
  const std::string mainError =
      plat::cp("Błąd podczas inicjalizacji maszyny stanów. Błąd odczytu grafu przejść");
  const std::string failError = plat::cp(
      "Błąd podczas inicjalizacji maszyny stanów błędnych przejść. Błąd odczytu grafu przejść. "
      "Linia:");
  const char* goodMain = "$A:\n  B $A\n";
  struct Case {
    const char* what;
    const char* mainText;
    const char* failText;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"condition of the fail graph in the main graph", "$A:\n  B $A RO\n", "", mainError},
      {"unknown condition word", "$A:\n  B $A SWINGS\n", "", mainError},
      {"unknown identifier", "$A:\n  QQ $A\n", "", mainError},
      {"identifier in lower case", "$A:\n  b $A\n", "", mainError},
      {"target that names no state", "$A:\n  B $Z\n", "", mainError},
      {"two transitions on one identifier", "$A:\n  B $A\n  B $A SWING\n", "", mainError},
      {"state defined twice", "$A:\n  B $A\n$A\n", "", mainError},
      {"transition before any state", "  B $A\n$A:\n", "", mainError},
      {"transition without target", "$A:\n  B\n", "", mainError},
      {"words after a state name", "$A: B $A\n", "", mainError},
      {"no state at all", "; empty\n", "", mainError},
      {"unknown condition word in the fail graph", goodMain, "#SO:\n  B $A\n  B $A SWINGS\n",
       failError + "3"},
      {"unknown identifier in the fail graph", goodMain, "\n#SO:\n  QQ $A\n", failError + "3"},
      {"fail target that names no state", goodMain, "#SO:\n  B $Z\n", failError + "2"},
      {"fallback before any section", goodMain, "B $A\n", failError + "1"},
      {"section word without its colon", goodMain, "; list\n#SO\n  B $A\n", failError + "2"},
  };
  for (const Case& c : cases) {
    try {
      sxStateGraphs g(c.mainText, c.failText);
      ADD_FAILURE() << c.what << ": loaded";
    } catch (const sxException& e) {
      EXPECT_EQ(e.Message(), c.message) << c.what;
    }
  }
}

TEST(StateGraphs, FailedLoadThrowsOnEveryAttempt) {
  sxGraphLoader bad("$A:\n  QQ $A\n", "");
  EXPECT_EQ(bad.initiated(), 0);
  EXPECT_THROW(bad.get(), sxException);
  EXPECT_EQ(bad.initiated(), -1);
  EXPECT_THROW(bad.get(), sxException);
  EXPECT_EQ(bad.initiated(), -1);

  sxGraphLoader good("$A:\n  B $A\n", "#:\n  B $A\n");
  const sxStateGraphs& first = good.get();
  EXPECT_EQ(good.initiated(), 1);
  EXPECT_EQ(&good.get(), &first);
  EXPECT_EQ(first.transitionCount(), 1u);
}

// A context whose header has been read; its state machine is driven directly.
struct Machine {
  explicit Machine(sxLineCode format) {
    counted_ptr<sxError> err;
    ctx.update(std::make_shared<sxLine>(format, ++lineNo), err);
  }
  bool step(sxLineCode code, counted_ptr<sxError>& err) {
    return ctx.getStateMachine()->update(std::make_shared<sxLine>(code, ++lineNo), err);
  }
  bool step(sxLineCode code) {
    counted_ptr<sxError> err;
    return step(code, err);
  }
  std::string state() const { return ctx.getStateMachine()->getStateName(); }

  sxContext ctx;
  std::uint64_t lineNo = 0;
};

// SD and SG after the header are SWING lines; each format ends with its own
// end-of-file lines.
TEST(StateMachine, FormatConditions) {
  struct Case {
    sxLineCode format;
    sxLineCode code;
    const char* target;  // null: refused
  };
  const Case cases[] = {
      {lcSWDE, lcSD, nullptr},      {lcSWING, lcSD, "$SD"},         {lcSWDE, lcSG, nullptr},
      {lcSWING, lcSG, "$SG"},       {lcSWDE, lcSWDEX, "$FILEX"},    {lcSWING, lcSWDEX, nullptr},
      {lcSWDE, lcSWINGXC, nullptr}, {lcSWING, lcSWINGXC, "$FILEX"}, {lcSWDE, lcSO, "$SO"},
      {lcSWING, lcSO, "$SO"},
  };
  for (const Case& c : cases) {
    Machine m(c.format);
    counted_ptr<sxError> err;
    const bool allowed = m.step(c.code, err);
    const std::string what = std::to_string(c.format) + "/" + std::to_string(c.code);
    EXPECT_EQ(allowed, c.target != nullptr) << what;
    if (c.target) {
      EXPECT_EQ(m.state(), c.target) << what;
      EXPECT_FALSE(err) << what;
      continue;
    }
    // Refused: 209 on the line, no fallback outside a section for a line of
    // the other format, and the context's level set again.
    ASSERT_TRUE(err) << what;
    EXPECT_EQ(err->code, 209) << what;
    EXPECT_EQ(err->line, 2u) << what;
    EXPECT_EQ(err->section, scNone) << what;
    EXPECT_EQ(err->message, plat::cp("Nieprawidłowe wystąpienie linii " +
                                     std::string(*identOf(c.code)) + " w bieżącym kontekście"))
        << what;
    EXPECT_EQ(m.state(), "$FILE") << what;
    // A refused end-of-file line leaves the level of the header.
    const int level = c.code == lcSD || c.code == lcSG ? 2 : 1;
    EXPECT_EQ(m.ctx.getLevel(), level) << what;
  }
}

TEST(StateMachine, EveryLineAfterTheEndOfAnSwdeFileIsRefused) {
  for (int c = lcEmpty; c <= kLastLineCode; ++c) {
    Machine m(lcSWDE);
    ASSERT_TRUE(m.step(lcSWDEX));
    ASSERT_EQ(m.state(), "$FILEX");
    counted_ptr<sxError> err;
    EXPECT_FALSE(m.step(static_cast<sxLineCode>(c), err)) << c;
    ASSERT_TRUE(err) << c;
    EXPECT_EQ(err->code, 209) << c;
  }
}

TEST(StateMachine, AnErrorAlreadyOnTheLineIsKept) {
  Machine m(lcSWDE);
  counted_ptr<sxError> err = m.ctx.createError(ecSectionEnd);
  EXPECT_FALSE(m.step(lcSX, err));
  ASSERT_TRUE(err);
  EXPECT_EQ(err->code, 204);

  // No line: allowed, nothing made.
  counted_ptr<sxError> none;
  EXPECT_TRUE(m.ctx.getStateMachine()->update(nullptr, none));
  EXPECT_FALSE(none);
}

TEST(StateMachine, ComplexRecordCondition) {
  for (const bool complex : {false, true}) {
    Machine m(lcSWDE);
    ASSERT_TRUE(m.step(lcST));
    ASSERT_TRUE(m.step(lcTD));
    m.ctx.setComplexRecord(complex);
    counted_ptr<sxError> err;
    EXPECT_EQ(m.step(lcWE, err), complex);
    EXPECT_EQ(m.state(), complex ? "$WE" : "$TD");
    EXPECT_EQ(err ? err->code : 0, complex ? 0 : 209);
  }
}

// Fallbacks, through the whole context: the lines before the last one pass.
TEST(StateMachine, FallbacksAfterARefusedLine) {
  struct Case {
    const char* what;
    std::vector<sxLineCode> lines;
    int error;
    const char* state;
  };
  const std::vector<Case> cases = {
      {"GX in an RO record", {lcSWING, lcSO, lcRO, lcGX}, 213, "$GX-OBSZAR"},
      {"GX in an RL record", {lcSWDE, lcSO, lcRL, lcGX}, 213, "$GX-LINIA"},
      {"D in an RO record", {lcSWDE, lcSO, lcRO, lcD}, 213, "$D"},
      {"D in an RL sub-record", {lcSWDE, lcSO, lcRL, lcGL, lcD}, 213, "$D"},
      {"D out of order in an RD record", {lcSWDE, lcSO, lcRD, lcWG, lcD}, 209, "$D"},
      {"GX in an RD record", {lcSWDE, lcSO, lcRD, lcGX}, 209, "$RD"},
      {"D outside a record", {lcSWDE, lcSO, lcD}, 209, "$SO"},
      {"record start in a record", {lcSWDE, lcSO, lcRD, lcD, lcRO}, 205, "$RO"},
      {"section start in a section", {lcSWDE, lcSP, lcB, lcST}, 203, "$ST"},
      {"SWING-only fallback in an SWDE file", {lcSWDE, lcSN, lcNS, lcSG}, 203, "$NS"},
      {"SWING-only fallback in a SWING file", {lcSWING, lcSN, lcNS, lcSG}, 203, "$SG"},
      {"no fallback for the line", {lcSWING, lcSN, lcNS, lcA}, 209, "$NS"},
      {"one-line record in a record", {lcSWING, lcSO, lcRO, lcNK}, 207, "$RO"},
  };
  for (const Case& c : cases) {
    sxContext ctx;
    counted_ptr<sxError> err;
    for (std::size_t i = 0; i < c.lines.size(); ++i) {
      ctx.update(std::make_shared<sxLine>(c.lines[i], i + 1), err);
      if (i + 1 < c.lines.size()) {
        ASSERT_FALSE(err) << c.what << ", line " << i + 1;
      }
    }
    EXPECT_EQ(err ? err->code : 0, c.error) << c.what;
    if (err) {
      EXPECT_EQ(err->line, c.lines.size()) << c.what;
    }
    EXPECT_EQ(ctx.getStateMachine()->getStateName(), c.state) << c.what;
  }
}

TEST(StateMachine, GeometryErrorNamesTheLine) {
  sxContext ctx;
  counted_ptr<sxError> err;
  std::uint64_t n = 0;
  for (sxLineCode c : {lcSWING, lcSO, lcRO, lcGX})
    ctx.update(std::make_shared<sxLine>(c, ++n), err);
  ASSERT_TRUE(err);
  EXPECT_EQ(err->section, scSO);
  EXPECT_EQ(err->message,
            plat::cp("Nieprawidłowe wystąpienie linii GX w bieżącym kontekście. Przypuszczalnie "
                     "brak geometrii lub podrekord geometrii niepoprawnie zbudowany"));
  EXPECT_EQ(ctx.getLevel(), csRecord);
}

TEST(StateMachine, ResetReturnsToTheFirstState) {
  Machine m(lcSWING);
  ASSERT_TRUE(m.step(lcSO));
  ASSERT_TRUE(m.step(lcRO));
  EXPECT_EQ(m.state(), "$RO");
  ASSERT_NE(m.ctx.getStateMachine()->getStateChange(lcGL), nullptr);
  EXPECT_EQ(m.ctx.getStateMachine()->getStateChange(lcGL)->target, "$GL-OBSZAR");
  EXPECT_EQ(m.ctx.getStateMachine()->getStateChange(lcX), nullptr);
  EXPECT_EQ(m.ctx.getStateMachine()->getStateMap()->size(), 2u);
  m.ctx.getStateMachine()->reset();
  EXPECT_EQ(m.state(), "$FILE");
}

}  // namespace
