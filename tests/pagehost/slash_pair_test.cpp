#include "pagehost/slash_pair.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace veltrano::pagehost {
namespace {

TEST(SlashPair, TwoWordsJoinedBySlashInsideALabelArePaired)
{
    using Texts = std::optional<std::pair<std::string, std::string>>;
    const std::pair<std::string_view, Texts> cases[] = {
        {"Delivery date/time", Texts{{"Delivery date", "Delivery time"}}},
        {"Fecha/hora de entrega", Texts{{"Fecha de entrega", "hora de entrega"}}},
        {"Precio/unidad: 3,50 €", Texts{{"Precio: 3,50 €", "unidad: 3,50 €"}}},
        {"Ciudad/Provincia", std::nullopt},
        {"Speed in km/h, and/or y/o", std::nullopt},
        {"Enfermero/a responsable", std::nullopt},
        {"Saved in /home/ana/books now", std::nullopt},
        {"See www.example.com/help today", std::nullopt},
        {"Price €/kWh", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        const auto pair = slashPairIn(text);
        const Texts found =
            pair ? Texts{{withOneWord(text, *pair, true), withOneWord(text, *pair, false)}} : std::nullopt;
        EXPECT_EQ(found, expected) << text;
    }
}

TEST(SlashPair, TheTwoTranslationsAreJoinedWhereTheyDiffer)
{
    const struct {
        std::string_view withFirst, withSecond, secondSource;
        std::optional<std::string> expected;
    } cases[] = {
        {"Fecha de entrega", "Hora de entrega", "time", "Fecha/hora de entrega"},
        {"Delivery date", "Delivery time", "hora", "Delivery date/time"},
        {"Material entrance", "Material output", "Salida", "Material entrance/Output"},
        {"Ciudad de envío", "ciudad de envío", "City", "Ciudad de envío"},
        {"Estado apto", "Estado no apto", "fail", "Estado apto/no apto"},
        {"Precio: 3,50 €", "Unidad: 3,50 €", "unidad", "Precio/unidad: 3,50 €"},
        {"Análisis de coste", "Beneficio analizado", "benefit", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(joinedAtTheirDifference(c.withFirst, c.withSecond, c.secondSource), c.expected) << c.withFirst;
}

}  // namespace
}  // namespace veltrano::pagehost
