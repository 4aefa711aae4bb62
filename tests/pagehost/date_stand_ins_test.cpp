#include "pagehost/date_stand_ins.h"

#include <gtest/gtest.h>

namespace veltrano::pagehost {
namespace {

TEST(DateStandIns, DatesInFiguresAreToldFromOtherNumbers)
{
    const struct {
        std::string_view text;
        bool date;
    } cases[] = {
        {"31/12", true},      {"3/4/24", true},   {"31-12-2024", true}, {"31.12.2024", true},
        {"2024-12-31", true}, {"2024/25", false}, {"12.5", false},      {"10-15", false},
        {"1.234.567", false}, {"12/2024", false}, {"31/12/202", false}, {"31/12-2024", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isNumericDate(c.text), c.date) << c.text;
}

TEST(DateStandIns, EachStandInMustComeBackOnceAndWhole)
{
    const std::vector<std::string_view> dates = {"15/03", "1/4/25"};
    const std::string first = dateStandIn("Entre el 15/03 y el 1/4/25", 0);
    const std::string second = dateStandIn("Entre el 15/03 y el 1/4/25", 1);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(withDatesRestored("Between " + first + " and " + second, dates), "Between 15/03 and 1/4/25");
    EXPECT_EQ(withDatesRestored("Between " + first + "st and " + second, dates), std::nullopt);
    EXPECT_EQ(withDatesRestored("Between " + first + " and " + first, dates), std::nullopt);
    EXPECT_EQ(withDatesRestored("Between " + first, dates), std::nullopt);
    EXPECT_EQ(dateStandIn("Lote " + first + " del 15/03", 0), "");
}

}  // namespace
}  // namespace veltrano::pagehost
