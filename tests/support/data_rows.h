#pragma once
// Rows of Qt's data-driven tests, one to a line: the row's name, then its values in column order.

#include <QTest>

namespace veltrano::testing {

template <typename... Values>
void addRow(const char* name, const Values&... values)
{
    (QTest::newRow(name) << ... << values);
}

}  // namespace veltrano::testing
