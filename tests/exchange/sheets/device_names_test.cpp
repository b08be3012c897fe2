#include "common/device_names.h"

#include <gtest/gtest.h>

#include <QString>

using namespace Qt::StringLiterals;

namespace fenban {
namespace {

// Decided from the text alone, so the table holds on every system.
TEST(WindowsDeviceNames, AreToldFromFileNames) {
    const std::pair<QString, bool> cases[] = {
        {u"NUL"_s, true},
        {u"C:/Users/张老师/Documents/nul"_s, true},
        {u"C:\\Users\\张老师\\con.xlsx"_s, true},
        {u"D:/名单/Com1.csv"_s, true},
        {u"D:/名单/LPT9"_s, true},
        {u"D:/名单/aux .xls"_s, true},
        {u"D:/名单/CONOUT$"_s, true},
        {u"D:/名单/com¹.csv"_s, true},
        {u"\\\\.\\PhysicalDrive0"_s, true},
        {u"//./pipe/名单"_s, true},
        {u"\\\\?\\GLOBALROOT\\Device\\Null"_s, true},
        {u"C:nul"_s, true},
        {u"\\\\?\\C:\\名单\\新生 名单.xlsx"_s, false},
        {u"\\\\?\\UNC\\server\\share\\名单.xlsx"_s, false},
        {u"C:/Users/张老师/Documents/新生 名单.xlsx"_s, false},
        {u"D:/名单/console.csv"_s, false},
        {u"D:/名单/COM10.csv"_s, false},
        {u"D:/名单/nul/名单.csv"_s, false},
        {u"D:/名单/connection.xlsx"_s, false},
        {u"/home/teacher/null"_s, false},
    };
    for (const auto &[path, device] : cases)
        EXPECT_EQ(isWindowsDeviceName(path), device) << path.toStdString();
}

} // namespace
} // namespace fenban
