#include "pagehost/api.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

namespace veltrano::pagehost {
namespace {

std::string body(const std::string& texts)
{
    return R"({"sl":"en","tl":"es","q":[)" + texts + "]}";
}

TEST(TranslateRequest, ReadsLanguagesAndTextsInOrder)
{
    const auto parsed = parseTranslateRequest(body(R"("one", "", "tw\u0000o\n")"), ApiLimits{});
    ASSERT_TRUE(parsed) << parsed.error().message;
    const auto& request = parsed.value();
    EXPECT_EQ(request.sourceLanguage, "en");
    EXPECT_EQ(request.targetLanguage, "es");
    EXPECT_EQ(request.texts, (std::vector<std::string>{"one", "", std::string("tw\0o\n", 5)}));
}

TEST(TranslateRequest, ReadsTheFieldOrTheTextsToTellItByWhenTheClientGivesThem)
{
    const struct {
        std::string_view body;
        std::optional<std::string> field;
        std::vector<std::string> context;
    } cases[] = {
        {R"({"sl":"en","tl":"es","q":[]})", std::nullopt, {}},
        {R"({"sl":"en","tl":"es","q":[],"field":"hr-payroll"})", "hr-payroll", {}},
        {R"({"sl":"en","tl":"es","q":[],"field":""})", "", {}},
        {R"({"sl":"en","tl":"es","q":[],"context":["Payroll","Net pay"]})", std::nullopt, {"Payroll", "Net pay"}},
    };
    for (const auto& [body, field, context] : cases) {
        const auto parsed = parseTranslateRequest(body, ApiLimits{});
        ASSERT_TRUE(parsed) << body;
        EXPECT_EQ(parsed.value().field, field) << body;
        EXPECT_EQ(parsed.value().context, context) << body;
    }
}

TEST(TranslateRequest, RefusesMalformedBodiesWith400)
{
    for (const std::string_view bad :
         {"", "{", "[]", R"({"tl":"es","q":[]})", R"({"sl":1,"tl":"es","q":[]})", R"({"sl":"en","tl":"es"})",
          R"({"sl":"en","tl":"es","q":"text"})", R"({"sl":"en","tl":"es","q":[1]})",
          R"({"sl":"en","tl":"es","q":[],"field":1})", R"({"sl":"en","tl":"es","q":[],"context":[2]})",
          "{\"sl\":\"en\",\"tl\":\"es\",\"q\":[\"\xff\"]}"}) {
        const auto parsed = parseTranslateRequest(bad, ApiLimits{});
        ASSERT_FALSE(parsed) << bad;
        EXPECT_EQ(parsed.error().status, 400) << bad;
    }
}

TEST(TranslationsJson, RefusesTextThatIsNotUtf8)
{
    EXPECT_EQ(translationsJson({"a\"b", "ñ"}).value(), R"({"translations":["a\"b","ñ"]})");
    EXPECT_EQ(translationsJson({"\xc3"}).error().status, 500);
    EXPECT_EQ(translationsJson({"x"}, "sports").value(), R"({"field":"sports","translations":["x"]})");
}

}  // namespace
}  // namespace veltrano::pagehost
