#include "pagehost/api.h"

#include <gtest/gtest.h>

namespace veltrano::pagehost {
namespace {

std::string body(const std::string& texts)
{
    return R"({"sl":"en","tl":"es","q":[)" + texts + "]}";
}

TEST(TranslateRequest, ReadsLanguagesAndTextsInOrder)
{
    const auto parsed = parseTranslateRequest(body(R"("one", "", "tw\u0000o\n")"), ApiLimits{});
    ASSERT_TRUE(std::holds_alternative<TranslateRequest>(parsed)) << std::get<ApiError>(parsed).message;
    const auto& request = std::get<TranslateRequest>(parsed);
    EXPECT_EQ(request.sourceLanguage, "en");
    EXPECT_EQ(request.targetLanguage, "es");
    EXPECT_EQ(request.texts, (std::vector<std::string>{"one", "", std::string("tw\0o\n", 5)}));
}

TEST(TranslateRequest, RefusesMalformedBodiesWith400)
{
    for (const std::string_view bad :
         {"", "{", "[]", R"({"tl":"es","q":[]})", R"({"sl":1,"tl":"es","q":[]})", R"({"sl":"en","tl":"es"})",
          R"({"sl":"en","tl":"es","q":"text"})", R"({"sl":"en","tl":"es","q":[1]})",
          "{\"sl\":\"en\",\"tl\":\"es\",\"q\":[\"\xff\"]}"}) {
        const auto parsed = parseTranslateRequest(bad, ApiLimits{});
        ASSERT_TRUE(std::holds_alternative<ApiError>(parsed)) << bad;
        EXPECT_EQ(std::get<ApiError>(parsed).status, 400) << bad;
    }
}

TEST(TranslationsJson, RefusesTextThatIsNotUtf8)
{
    EXPECT_EQ(std::get<std::string>(translationsJson({"a\"b", "ñ"})), R"({"translations":["a\"b","ñ"]})");
    EXPECT_EQ(std::get<ApiError>(translationsJson({"\xc3"})).status, 500);
}

}  // namespace
}  // namespace veltrano::pagehost
