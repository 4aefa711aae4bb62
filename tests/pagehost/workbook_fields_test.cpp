#include "pagehost/workbook_fields.h"

#include <gtest/gtest.h>

namespace veltrano::pagehost {
namespace {

// Two fields; "contrato" tells both of them, so it counts half for each.
const WorkbookFields
    kFields("\tvfieldnone\t\n"
            "hr-payroll\tvfieldhrpayroll\tnómina:1 salario:1 empleado:1 contrato:0.5 malformed:x :1\tBaja|Bajas\n"
            "sports\tvfieldsports\tgoles:1 partido:1 jugador:1 contrato:0.5\n"
            "malformed line\n");

TEST(WorkbookFields, GuessesTheFieldTheTextsWordsTellClearly)
{
    const struct {
        std::vector<std::string> texts;
        std::string field;
    } cases[] = {
        {{"Nómina de marzo", "SALARIO BRUTO", "Nº de empleado"}, "hr-payroll"},
        {{"Goles", "Partido del sábado"}, "sports"},
        {{"Nómina", "Salario", "Goles"}, "hr-payroll"},   // 2 against 1
        {{"Nómina", "Salario", "Goles", "Partido"}, ""},  // no lead
        {{"Nómina"}, ""},                                 // too little to tell
        {{"Contrato", "Contrato del jugador"}, ""},       // 1.5 against 0.5: under the minimum
        {{"Total", "Fecha", "Importe"}, ""},
        {{}, ""},
    };
    for (const auto& [texts, field] : cases)
        EXPECT_EQ(kFields.guess(texts), field) << testing::PrintToString(texts);
}

TEST(WorkbookFields, NamesEachFieldByItsMarkerAndAnyOtherAsNone)
{
    EXPECT_TRUE(kFields.knows("sports"));
    EXPECT_FALSE(kFields.knows("malformed line"));
    EXPECT_EQ(kFields.markerOf("sports"), "vfieldsports");
    EXPECT_EQ(kFields.markerOf(""), "vfieldnone");
    EXPECT_EQ(kFields.markerOf("unknown"), "vfieldnone");
    EXPECT_EQ(WorkbookFields("").markerOf("sports"), "");
}

TEST(WorkbookFields, LeavesTheGlossarysCellsOfARenamedWordToItsFieldOnly)
{
    EXPECT_TRUE(kFields.leavesToField("hr-payroll", "BAJAS"));
    EXPECT_FALSE(kFields.leavesToField("hr-payroll", "Bajas del mes"));
    EXPECT_FALSE(kFields.leavesToField("sports", "Bajas"));
    EXPECT_FALSE(kFields.leavesToField("", "Bajas"));
}

}  // namespace
}  // namespace veltrano::pagehost
