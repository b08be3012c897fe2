#!/bin/sh
# Makes every fixture in tests/data/import (and its errors/ folder) from students.csv and make_fixtures.cpp.
# Needs, for making fixtures only (the project's build and tests need none of this beyond its own packages):
#   g++ pkgconf libxlsxwriter-dev libzip-dev libgsf-1-dev  - the fixture program
#   libreoffice-calc-nogui python3-uno                     - files as another office suite saves them
# The office suite stamps its files with the time, so files it makes differ in a few bytes on every run.
set -eu

tools=$(cd "$(dirname "$0")" && pwd)
data=$(dirname "$tools")
errors="$data/errors"
work=$(mktemp -d)
office_pid=

cleanup() {
    if [ -n "$office_pid" ]; then
        kill "$office_pid" 2>/dev/null || true
        wait "$office_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$errors"
# shellcheck disable=SC2046 # pkg-config gives several words on purpose
g++ -std=c++20 -O1 -Wall -Wextra "$tools/make_fixtures.cpp" -o "$work/make_fixtures" \
    $(pkg-config --cflags --libs xlsxwriter libzip libgsf-1)
make="$work/make_fixtures"

# The same cells as students.csv, in other encodings and formats.
printf '\357\273\277' >"$data/students-bom.csv"
cat "$data/students.csv" >>"$data/students-bom.csv"
iconv -f UTF-8 -t GBK "$data/students.csv" >"$data/students-gbk.csv"
"$make" students "$data/students.csv" "$data/students-xlsxwriter.xlsx"

# The office suite's own profile, so that no user settings leak in.
soffice() {
    profile=$1
    shift
    command soffice -env:UserInstallation="file://$work/profile-$profile" --headless --norestore "$@"
}
soffice convert --convert-to xlsx --outdir "$work/office" "$data/students-xlsxwriter.xlsx" >/dev/null 2>&1
soffice convert --convert-to xls --outdir "$work/office" "$data/students-xlsxwriter.xlsx" >/dev/null 2>&1
cp "$work/office/students-xlsxwriter.xlsx" "$data/students-office.xlsx"
cp "$work/office/students-xlsxwriter.xls" "$data/students.xls"

# Hand-built workbooks.
"$make" workbook-order "$data/workbook-order.xlsx"
"$make" cells "$data/cells.xlsx"
"$make" records-xls "$data/records.xls"
"$make" biff5-xls "$data/biff5.xls"
"$make" dimensions-xls "$data/dimensions.xls"
# Ends one byte into the first sheet's end record, after every cell: nothing is lost.
"$make" nearly-complete-xls "$data/nearly-complete.xls"
"$make" student-numbers "$data/student-numbers.xlsx"
"$make" student-numbers-xls "$data/student-numbers.xls"

# Formulas, recalculated by the office suite so that every result is stored as it would store it
# (true and false as booleans, 1/0 as an error), and password-protected workbooks.
"$make" formulas "$work/formulas-source.xlsx"
command soffice -env:UserInstallation="file://$work/profile-uno" --headless --norestore --invisible \
    --accept="pipe,name=fenban-fixtures-$$;urp;" >/dev/null 2>&1 &
office_pid=$!
office() {
    /usr/bin/python3 "$tools/office.py" "fenban-fixtures-$$" "$@"
}
office recalculate "$work/formulas-source.xlsx" "$data/formulas.xlsx" "Calc MS Excel 2007 XML"
office recalculate "$work/formulas-source.xlsx" "$data/formulas.xls" "MS Excel 97"
office encrypt "$data/students-xlsxwriter.xlsx" "$errors/encrypted.xlsx" "Calc MS Excel 2007 XML" fenban
office encrypt "$data/students-xlsxwriter.xlsx" "$errors/encrypted.xls" "MS Excel 97" fenban

# Files that must give an error, and one that must not: a package workbook under the binary name.
: >"$errors/empty.xls"
"$make" random "$errors/random.xlsx" 7
"$make" random "$errors/binary.csv" 11
head -c 3000 "$data/students-xlsxwriter.xlsx" >"$errors/truncated.xlsx"
head -c 4000 "$data/students.xls" >"$errors/truncated.xls"
# Ends inside the first sheet's last cells.
"$make" cut-stream-xls "$errors/cut-stream.xls"
"$make" label-overrun-xls "$errors/label-overrun.xls"
"$make" missing-string-xls "$errors/missing-shared-string.xls"
"$make" ole-no-workbook "$errors/not-a-workbook.xls"
"$make" zip-no-workbook "$errors/not-a-workbook.xlsx"
"$make" missing-shared-string "$errors/missing-shared-string.xlsx"
"$make" huge-string-count-xls "$errors/huge-string-count.xls"
"$make" far-column-xls "$errors/far-column.xls"
seq -s, 1 300 >"$errors/too-many-columns.csv"
# UTF-8 with one byte that belongs to no encoding, at the start of line 3.
{ head -n 2 "$data/students.csv"; printf '\377'; tail -n +3 "$data/students.csv"; } >"$errors/stray-byte.csv"
printf '<html><body><table><tr><td>学号</td><td>姓名</td></tr></table></body></html>\n' >"$errors/web-page.xls"
cp "$data/students-xlsxwriter.xlsx" "$errors/xlsx-named.xls"

echo "fixtures written to $data"
