#include "pagehost/stream_format.h"

#include <gtest/gtest.h>

namespace veltrano::pagehost {
namespace {

TEST(EscapeForStream, EscapesEveryReservedCharacterAndNothingElse)
{
    EXPECT_EQ(escapeForStream("[]\\^$/@<>{}"), "\\[\\]\\\\\\^\\$\\/\\@\\<\\>\\{\\}");
    EXPECT_EQ(escapeForStream("plain *#%&~ text ñ\n"), "plain *#%&~ text ñ\n");
}

TEST(Segment, SplitsTheTextsItJoinedWhateverTheyHold)
{
    const std::vector<std::string_view> texts = {"one", "[0]", "a\\b ^c$ /d @e <f> {g}", "line\nbreak", "x.[1]"};
    const std::string answer = joinSegment(texts, 7);
    EXPECT_EQ(joinSegment({"Mr"}, 7), "[].[start]Mr[].[7][\n]");
    const auto split = splitSegment(answer, 7, texts.size());
    ASSERT_TRUE(split);
    ASSERT_EQ(split->size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ((*split)[i], std::string(texts[i]) + ".") << i;
}

TEST(Segment, ProtectedBlocksComeBackInPlaceUnescaped)
{
    const std::string texts[] = {"Total " + protectedBlock("N/D [x]") + " sales", protectedBlock("a\\b")};
    const std::string segment = joinStreamSegment({texts[0], texts[1]}, 3);
    EXPECT_EQ(segment, "[].[start]Total [=N\\/D \\[x\\]] sales[].[3][=a\\\\b][].[4][\n]");
    const auto split = splitSegment(segment, 3, 2);
    ASSERT_TRUE(split);
    EXPECT_EQ(*split, (std::vector<std::string>{"Total N/D [x] sales.", "a\\b."}));
}

TEST(Segment, RefusesAnswersWhoseSeparatorsCannotBeTrusted)
{
    const struct {
        const char* name;
        std::string_view answer;
    } cases[] = {
        {"separator missing", "uno.[0]dos.[\n]"},
        {"separators swapped", "uno.[1]dos.[0][\n]"},
        {"separator repeated", "uno.[0]dos.[0][\n]"},
        {"unclosed superblank", "uno.[0]dos.[1"},
        {"text after the last separator", "uno.[0]dos.[1]tres[\n]"},
        {"unexpected superblank", "uno.[x]dos.[1][\n]"},
        {"answer to another segment", "uno.[2]dos.[3][\n]"},
        {"opening blank after a text", "uno.[0].[start]dos.[1][\n]"},
        {"a word before the opening blank", "uno.[start]dos.[0]tres.[1][\n]"},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(splitSegment(c.answer, 0, 2)) << c.name;
}

}  // namespace
}  // namespace veltrano::pagehost
