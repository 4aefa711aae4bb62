#include "pagehost/mode_file.h"

#include <gtest/gtest.h>

namespace veltrano::pagehost {
namespace {

using Programs = std::vector<ProgramCall>;

TEST(ModeFile, MakesEachProgramAnswerPerSegmentWithUnknownWordsUnmarked)
{
    const struct {
        const char* name;
        std::string_view mode;
        Programs expected;
    } cases[] = {
        {"placeholders",
         "lt-proc 'a.bin' | apertium-tagger -g $2 'b.prob' | lt-proc $1 'c.bin'\n",
         {{"lt-proc", "-z", "a.bin"}, {"apertium-tagger", "-z", "-g", "b.prob"}, {"lt-proc", "-z", "-n", "c.bin"}}},
        {"quoting",
         "prog \"two words\" 'it''s' back\\ slash ''",
         {{"prog", "-z", "two words", "its", "back slash", ""}}},
        {"null flush already there", "lt-proc -z x|cat", {{"lt-proc", "-z", "x"}, {"cat", "-z"}}},
    };
    for (const auto& c : cases) {
        const auto programs = parseModePipeline(c.mode);
        ASSERT_TRUE(programs) << c.name << ": " << programs.error().message;
        EXPECT_EQ(programs.value(), c.expected) << c.name;
    }
}

TEST(ModeFile, RefusesShellItCannotRunWithoutAShell)
{
    for (const std::string_view mode : {"a > out", "a ; b", "a | | b", "a |", "", "echo $HOME", "echo $1x", "a 'open",
                                        "a \"$(date)\"", "a `b`", "a && b"}) {
        const auto programs = parseModePipeline(mode);
        EXPECT_FALSE(programs) << "accepted: " << mode;
    }
}

TEST(ModeFile, DomainStagesReplaceTheDictionariesAndAddTheirStages)
{
    const DomainStages stages{"domain.autobil.bin", "domain.lrx.bin", {}, {}, {}, {}, {}};
    const Programs lookup{{"lt-proc", "-z", "a.bin"}, {"lt-proc", "-z", "-b", "pair.autobil.bin"}};
    const Programs pairSelection{{"lrx-proc", "-z", "-m", "pair.lex.bin"}, {"apertium-transfer", "-z", "t1x"}};
    const Programs domainSelection{{"lrx-proc", "-z", "domain.lrx.bin"}};
    const Programs domainLookup{{"lt-proc", "-z", "a.bin"}, {"lt-proc", "-z", "-b", "domain.autobil.bin"}};

    auto withPairSelection = lookup;
    withPairSelection.insert(withPairSelection.end(), pairSelection.begin(), pairSelection.end());
    auto expected = domainLookup;
    expected.insert(expected.end(), domainSelection.begin(), domainSelection.end());
    expected.insert(expected.end(), pairSelection.begin(), pairSelection.end());
    auto result = withDomainStages(withPairSelection, stages);
    ASSERT_TRUE(result) << result.error().message;
    EXPECT_EQ(result.value(), expected);

    // Without a selection of the pair's, and with rules before the lookup.
    DomainStages reordering = stages;
    reordering.sourceRules = {"r.t1x", "r.bin"};
    expected = {domainLookup[0], {"apertium-transfer", "-z", "-n", "r.t1x", "r.bin"}, domainLookup[1]};
    expected.insert(expected.end(), domainSelection.begin(), domainSelection.end());
    result = withDomainStages(lookup, reordering);
    ASSERT_TRUE(result) << result.error().message;
    EXPECT_EQ(result.value(), expected);

    // Every stage: the analyser and the generator replaced, the grammar after the analyser, rules
    // before the generator.
    DomainStages all = reordering;
    all.analyser = "domain.automorf.bin";
    all.generator = "domain.autogen.bin";
    all.grammar = "domain.cg.bin";
    all.targetRules = {"g.t1x", "g.bin"};
    const Programs full{{"lt-proc", "-z", "pair.automorf.bin"},
                        {"lt-proc", "-z", "-b", "pair.autobil.bin"},
                        {"apertium-transfer", "-z", "t1x"},
                        {"lt-proc", "-z", "-n", "pair.autogen.bin"},
                        {"lt-proc", "-z", "-p", "pair.autopgen.bin"}};
    expected = {{"lt-proc", "-z", "domain.automorf.bin"},
                {"cg-proc", "-z", "domain.cg.bin"},
                {"apertium-transfer", "-z", "-n", "r.t1x", "r.bin"},
                {"lt-proc", "-z", "-b", "domain.autobil.bin"},
                {"lrx-proc", "-z", "domain.lrx.bin"},
                {"apertium-transfer", "-z", "t1x"},
                {"apertium-transfer", "-z", "-n", "g.t1x", "g.bin"},
                {"lt-proc", "-z", "-n", "domain.autogen.bin"},
                {"lt-proc", "-z", "-p", "pair.autopgen.bin"}};
    result = withDomainStages(full, all);
    ASSERT_TRUE(result) << result.error().message;
    EXPECT_EQ(result.value(), expected);

    EXPECT_FALSE(withDomainStages({{"lt-proc", "-z", "a.bin"}}, stages));
    EXPECT_FALSE(withDomainStages(lookup, all)) << "rules for a generator the pipeline lacks";
}

}  // namespace
}  // namespace veltrano::pagehost
