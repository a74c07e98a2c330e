#include "DocumentTestEntities.h"

#include "document/DesignState.h"
#include "document/PCB.h"
#include "document/Schematic.h"

#include <gtest/gtest.h>

namespace {
std::vector<std::shared_ptr<TestTerminal>> terminalsOf(const GraphicsSheet& sheet)
{
    std::vector<std::shared_ptr<TestTerminal>> out;
    sheet.entityList.collect(out);
    return out;
}
}

TEST(PadNameTest, TerminalsTakeTheNamesOfTheirPadsAfterReading)
{
    registerDocumentTestEntities();
    Design design;
    ASSERT_TRUE(design.open(QStringLiteral(BRINDLEX_TEST_DATA "/basic.project"))) << design.lastError().toStdString();
    auto state = design.currentDesignState();
    auto main = terminalsOf(*state->schematics.at(0));
    ASSERT_EQ(main.size(), 2u);
    EXPECT_EQ(main[0]->padName, "A1");
    EXPECT_EQ(main[1]->padName, "unset"); // no pad 99
    // Found inside a holder on another sheet, from a pad inside a holder.
    auto power = terminalsOf(*state->schematics.at(1));
    ASSERT_EQ(power.size(), 1u);
    EXPECT_EQ(power[0]->padName, "GND");
}

TEST(PadNameTest, DuplicateIdentitiesAndSheetsWithoutPads)
{
    registerDocumentTestEntities();
    Design design;
    const char* xml = R"(<r><design>
      <sheets><schematic><entities><testTerminal padId="3"/><testTerminal/><testPad id="3" name="onSchematic"/></entities></schematic></sheets>
      <pcb><entities><testPad id="3" name="first"/><testPad id="3" name="second"/><testPad name="zero"/></entities></pcb>
    </design></r>)";
    ASSERT_TRUE(design.loadFromBytes(xml, "dup.project"));
    auto terminals = terminalsOf(*design.currentDesignState()->schematics.at(0));
    ASSERT_EQ(terminals.size(), 2u);
    // The later pad with the same identity wins; pads on schematics do not count.
    EXPECT_EQ(terminals[0]->padName, "second");
    // Id 0 on both sides means no link: a terminal without a pad id does not
    // take the name of a pad without an id.
    EXPECT_EQ(terminals[1]->padName, "unset");
    // Explicit zeros are no link either.
    Design zeros;
    ASSERT_TRUE(zeros.loadFromBytes(R"(<r><design>
      <sheets><schematic><entities><testTerminal padId="0"/></entities></schematic></sheets>
      <pcb><entities><testPad id="0" name="zero"/></entities></pcb>
    </design></r>)",
        "zeros.project"));
    EXPECT_EQ(terminalsOf(*zeros.currentDesignState()->schematics.at(0)).at(0)->padName, "unset");

    // No pads: nothing changes.
    DesignState empty(&design);
    auto sheet = empty.addSchematic();
    auto terminal = std::make_shared<TestTerminal>(sheet.get());
    sheet->entityList.entities.push_back(terminal);
    SymbolPadNameSetter::assignPadNames(empty);
    EXPECT_EQ(terminal->padName, "unset");
}
