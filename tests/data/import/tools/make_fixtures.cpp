// Writes the workbook fixtures that need a program: the xlsxwriter files, and the hand-built packages whose
// exact layout (part order, references left out, unusual markup) no office program produces.
// Built and run by make-fixtures.sh; not part of the project's build.
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#include <xlsxwriter.h>
#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace std::string_literals;

namespace {

[[noreturn]] void fail(const std::string &message) {
    std::cerr << "make_fixtures: " << message << "\n";
    std::exit(1);
}

using Rows = std::vector<std::vector<std::string>>;

// The canonical CSV: quoted fields with doubled quotes, CRLF lines.
Rows readCsv(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        fail("cannot read " + path);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    Rows rows(1);
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(std::exchange(field, {}));
        } else if (c == '\r') {
        } else if (c == '\n') {
            rows.back().push_back(std::exchange(field, {}));
            rows.emplace_back();
        } else {
            field += c;
        }
    }
    if (!field.empty() || !rows.back().empty())
        rows.back().push_back(field);
    else
        rows.pop_back();
    return rows;
}

// A fixed creation time keeps the file byte-identical when it is made again.
lxw_workbook *newWorkbook(const std::string &out) {
    lxw_workbook *workbook = workbook_new(out.c_str());
    if (!workbook)
        fail("cannot create " + out);
    lxw_doc_properties properties{};
    properties.created = 1767225600; // 2026-01-01
    workbook_set_properties(workbook, &properties);
    return workbook;
}

void check(lxw_error error, const char *what) {
    if (error != LXW_NO_ERROR)
        fail(std::string(what) + ": " + lxw_strerror(error));
}

// Numbers become number cells; codes with a leading zero stay text, as a school's spreadsheet keeps them.
void writeStudents(const std::string &csvPath, const std::string &out) {
    static const std::regex number(R"(-?(0|[1-9][0-9]*)(\.[0-9]+)?)");
    const Rows rows = readCsv(csvPath);
    lxw_workbook *workbook = newWorkbook(out);
    lxw_worksheet *sheet = workbook_add_worksheet(workbook, "学生");
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            const std::string &cell = rows[r][c];
            if (cell.empty())
                continue;
            if (std::regex_match(cell, number))
                check(worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c), std::stod(cell), nullptr),
                      "number");
            else
                check(worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), cell.c_str(), nullptr),
                      "string");
        }
    }
    // A second sheet that must never be read in place of the first.
    lxw_worksheet *other = workbook_add_worksheet(workbook, "说明");
    check(worksheet_write_string(other, 0, 0, "不是学生名单", nullptr), "string");
    check(workbook_close(workbook), "close");
}

// The results stored here are recalculated by the office suite before the fixture is saved.
void writeFormulas(const std::string &out) {
    lxw_workbook *workbook = newWorkbook(out);
    lxw_worksheet *sheet = workbook_add_worksheet(workbook, "公式");
    const char *headers[] = {"学号", "数学", "小数", "姓名",   "及格",   "不及格",
                             "在籍", "休学", "错误", "空文字", "长文字", "性别"};
    for (lxw_col_t c = 0; c < sizeof headers / sizeof *headers; ++c)
        check(worksheet_write_string(sheet, 0, c, headers[c], nullptr), "header");
    check(worksheet_write_formula_num(sheet, 1, 0, "=20260000+1", nullptr, 20260001), "formula");
    check(worksheet_write_formula_num(sheet, 1, 1, "=80+5", nullptr, 85), "formula");
    check(worksheet_write_formula_num(sheet, 1, 2, "=0.1+0.2", nullptr, 0.3), "formula");
    check(worksheet_write_formula_str(sheet, 1, 3, "=\"张\"&\"三\"", nullptr, "张三"), "formula");
    check(worksheet_write_formula_num(sheet, 1, 4, "=B2>=60", nullptr, 1), "formula");
    check(worksheet_write_formula_num(sheet, 1, 5, "=B2<60", nullptr, 0), "formula");
    check(worksheet_write_boolean(sheet, 1, 6, 1, nullptr), "boolean");
    check(worksheet_write_boolean(sheet, 1, 7, 0, nullptr), "boolean");
    check(worksheet_write_formula_num(sheet, 1, 8, "=1/0", nullptr, 0), "formula");
    check(worksheet_write_formula_str(sheet, 1, 9, "=\"\"", nullptr, ""), "formula");
    // Long enough that the binary format must continue the text in a second record.
    check(worksheet_write_formula_str(sheet, 1, 10, "=REPT(\"长\",5000)", nullptr, ""), "formula");
    check(worksheet_write_formula_str(sheet, 1, 11, "=\" 女 \"", nullptr, " 女 "), "formula");
    lxw_worksheet *other = workbook_add_worksheet(workbook, "其他");
    check(worksheet_write_formula_num(other, 0, 0, "=1+1", nullptr, 2), "formula");
    check(workbook_close(workbook), "close");
}

// --- Hand-built packages -------------------------------------------------------------------------------

using Parts = std::vector<std::pair<std::string, std::string>>;

void writeZip(const std::string &out, const Parts &parts) {
    std::remove(out.c_str());
    int error = 0;
    zip_t *archive = zip_open(out.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        fail("cannot create " + out);
    for (const auto &[name, content] : parts) {
        zip_source_t *source = zip_source_buffer(archive, content.data(), content.size(), 0);
        const zip_int64_t index = source ? zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0)
            fail("cannot add " + name);
        // Fixed times keep the fixture byte-identical when it is made again.
        zip_file_set_dostime(archive, zip_uint64_t(index), 0, 0x21, 0);
    }
    if (zip_close(archive) != 0)
        fail("cannot write " + out);
}

const char *xmlHead = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)";
const char *mainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char *relNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char *packageRelNs = "http://schemas.openxmlformats.org/package/2006/relationships";

std::string contentTypes(const std::vector<std::pair<std::string, std::string>> &overrides) {
    std::string xml =
        std::string(xmlHead) +
        R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
        R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
        R"(<Default Extension="xml" ContentType="application/xml"/>)";
    for (const auto &[part, type] : overrides)
        xml += R"(<Override PartName="/)" + part +
               R"(" ContentType="application/vnd.openxmlformats-officedocument.)" + type + R"(+xml"/>)";
    return xml + "</Types>";
}

std::string relationships(const std::vector<std::vector<std::string>> &entries) {
    std::string xml = std::string(xmlHead) + R"(<Relationships xmlns=")" + packageRelNs + R"(">)";
    for (const auto &entry : entries)
        xml += R"(<Relationship Id=")" + entry[0] + R"(" Type=")" + relNs + "/" + entry[1] + R"(" Target=")" +
               entry[2] + R"("/>)";
    return xml + "</Relationships>";
}

std::string worksheet(const std::string &rows) {
    return std::string(xmlHead) + R"(<worksheet xmlns=")" + mainNs + R"(" xmlns:r=")" + relNs +
           R"("><sheetData>)" + rows + "</sheetData></worksheet>";
}

// The workbook lists a chart sheet, then "名单", then "说明"; the archive holds the parts in another order
// and under other names, so that only the workbook's own order finds "名单".
void writeWorkbookOrder(const std::string &out) {
    const std::string workbook =
        std::string(xmlHead) + R"(<workbook xmlns=")" + mainNs + R"(" xmlns:r=")" + relNs +
        R"("><sheets><sheet name="图表" sheetId="3" r:id="rId9"/><sheet name="名单" sheetId="2" r:id="rId7"/>)"
        R"(<sheet name="说明" sheetId="1" r:id="rId1"/></sheets></workbook>)";
    writeZip(out, {
                      {"[Content_Types].xml",
                       contentTypes({{"xl/workbook.xml", "spreadsheetml.sheet.main"},
                                     {"xl/worksheets/sheet1.xml", "spreadsheetml.worksheet"},
                                     {"xl/worksheets/students.xml", "spreadsheetml.worksheet"},
                                     {"xl/chartsheets/sheet1.xml", "spreadsheetml.chartsheet"}})},
                      {"_rels/.rels", relationships({{"rId1", "officeDocument", "xl/workbook.xml"}})},
                      {"xl/worksheets/sheet1.xml",
                       worksheet(R"(<row r="1"><c r="A1" t="inlineStr"><is><t>说明页</t></is></c></row>)")},
                      {"xl/chartsheets/sheet1.xml",
                       std::string(xmlHead) + R"(<chartsheet xmlns=")" + mainNs + R"("/>)"},
                      {"xl/workbook.xml", workbook},
                      {"xl/_rels/workbook.xml.rels",
                       relationships({{"rId1", "worksheet", "worksheets/sheet1.xml"},
                                      {"rId9", "chartsheet", "chartsheets/sheet1.xml"},
                                      {"rId7", "worksheet", "/xl/worksheets/students.xml"}})},
                      {"xl/worksheets/students.xml",
                       worksheet(R"(<row r="1"><c r="A1" t="inlineStr"><is><t>学号</t></is></c></row>)"
                                 R"(<row r="2"><c r="A2"><v>20260001</v></c></row>)")},
                  });
}

// One cell of each kind a writer may use, with row and cell references partly left out, a namespace prefix
// on every element, and no package relationships (the workbook is found at its usual place).
void writeCells(const std::string &out) {
    const std::string x = std::string("xmlns:x=\"") + mainNs + "\"";
    const std::string sharedStrings =
        std::string(xmlHead) + "<x:sst " + x + R"( count="5" uniqueCount="5">)" +
        "<x:si><x:t>共享</x:t></x:si>"
        // Runs of formatted text, then the phonetic reading an East Asian edition adds.
        R"(<x:si><x:r><x:rPr><x:b/></x:rPr><x:t>王</x:t></x:r><x:r><x:t xml:space="preserve"> 小明</x:t></x:r>)"
        R"(<x:rPh sb="0" eb="1"><x:t>ワン</x:t></x:rPh><x:phoneticPr fontId="1"/></x:si>)"
        R"(<x:si><x:t xml:space="preserve">  </x:t></x:si>)"
        "<x:si><x:t>第一行_x000D__x000A_第二行 a_x005F_x0041_b</x:t></x:si>"
        "<x:si><x:t/></x:si>"
        "</x:sst>";
    const std::string rows =
        // Row 1: shared strings; the references of B1 and C1 are left out.
        R"(<x:row r="1"><x:c r="A1" t="s"><x:v>0</x:v></x:c><x:c t="s"><x:v>1</x:v></x:c>)"
        R"(<x:c t="s"><x:v>2</x:v></x:c><x:c r="E1" t="s"><x:v>3</x:v></x:c><x:c t="s"><x:v>4</x:v></x:c></x:row>)"
        // Row 2 has no reference and follows row 1: inline strings, plain and in runs.
        R"(<x:row><x:c r="A2" t="inlineStr"><x:is><x:t>内联</x:t></x:is></x:c>)"
        R"(<x:c r="B2" t="inlineStr"><x:is><x:r><x:t>李</x:t></x:r><x:r><x:t>四</x:t></x:r></x:is></x:c></x:row>)"
        // Row 4: numbers as writers store them.
        R"(<x:row r="4"><x:c r="A4"><x:v>85</x:v></x:c><x:c r="B4" t="n"><x:v>90.5</x:v></x:c>)"
        R"(<x:c r="C4"><x:v>0.30000000000000004</x:v></x:c><x:c r="D4"><x:v>2.0260001E7</x:v></x:c>)"
        R"(<x:c r="E4"><x:v>1234567890123</x:v></x:c><x:c r="F4"><x:v>-0</x:v></x:c></x:row>)"
        // Row 5: booleans, errors, a text formula, a formula never calculated, an ISO date.
        R"(<x:row r="5"><x:c r="A5" t="b"><x:v>1</x:v></x:c><x:c r="B5" t="b"><x:v>0</x:v></x:c>)"
        R"(<x:c r="C5" t="e"><x:f>1/0</x:f><x:v>#DIV/0!</x:v></x:c><x:c r="D5" t="str"><x:f>"a"&amp;"b"</x:f><x:v>ab</x:v></x:c>)"
        R"(<x:c r="E5"><x:f>A4*2</x:f></x:c><x:c r="F5" t="d"><x:v>2026-09-01T00:00:00</x:v></x:c></x:row>)"
        // Row 9: a cell far to the right, then a formatted but empty cell in row 12.
        R"(<x:row r="9"><x:c r="AA9" t="inlineStr"><x:is><x:t>远</x:t></x:is></x:c></x:row>)"
        R"(<x:row r="12"><x:c r="B12" s="1"/></x:row>)";
    const std::string sheet =
        std::string(xmlHead) + "<x:worksheet " + x + "><x:sheetData>" + rows + "</x:sheetData></x:worksheet>";
    const std::string workbook =
        std::string(xmlHead) + "<x:workbook " + x + R"( xmlns:r=")" + relNs +
        R"("><x:sheets><x:sheet name="单元格" sheetId="1" r:id="rId1"/></x:sheets></x:workbook>)";
    writeZip(
        out,
        {
            {"[Content_Types].xml", contentTypes({{"xl/workbook.xml", "spreadsheetml.sheet.main"}})},
            {"xl/workbook.xml", workbook},
            {"xl/_rels/workbook.xml.rels", relationships({{"rId1", "worksheet", "worksheets/sheet1.xml"},
                                                          {"rId2", "sharedStrings", "sharedStrings.xml"}})},
            {"xl/worksheets/sheet1.xml", sheet},
            {"xl/sharedStrings.xml", sharedStrings},
        });
}

// The titles of a student list that leaves out every column it may; row 1 of the student-number fixtures.
const std::vector<std::string> studentListTitles = {"学号", "姓名", "性别", "数学", "英语", "语文",
                                                    "物理", "政治", "历史", "体育", "地理", "生物"};

// Student numbers as writers store them in number cells: digits kept past 15, the exponent form a
// spreadsheet writes once it has lost digits, a negative number, and a long number stored as text.
// Every student has the name 甲, the sex 男 and 95.5 in each subject.
void writeStudentNumbersXlsx(const std::string &out) {
    const std::vector<std::string> numberCells = {
        "<c><v>123456789012345678</v></c>",
        "<c><v>20260100000123456</v></c>",
        "<c><v>1.23456789012346E+17</v></c>",
        "<c><v>20260001</v></c>",
        "<c><v>2.0260002E7</v></c>",
        "<c><v>-20260003</v></c>",
        R"(<c t="inlineStr"><is><t>123456789012345679</t></is></c>)",
    };
    auto text = [](const std::string &value) {
        return R"(<c t="inlineStr"><is><t>)" + value + "</t></is></c>";
    };
    std::string rows = R"(<row r="1">)";
    for (const std::string &title : studentListTitles)
        rows += text(title);
    rows += "</row>";
    for (const std::string &number : numberCells) {
        rows += "<row>" + number + text("甲") + text("男");
        for (std::size_t i = 3; i < studentListTitles.size(); ++i)
            rows += "<c><v>95.5</v></c>";
        rows += "</row>";
    }
    const std::string workbook =
        std::string(xmlHead) + R"(<workbook xmlns=")" + mainNs + R"(" xmlns:r=")" + relNs +
        R"("><sheets><sheet name="名单" sheetId="1" r:id="rId1"/></sheets></workbook>)";
    writeZip(
        out,
        {
            {"[Content_Types].xml", contentTypes({{"xl/workbook.xml", "spreadsheetml.sheet.main"}})},
            {"xl/workbook.xml", workbook},
            {"xl/_rels/workbook.xml.rels", relationships({{"rId1", "worksheet", "worksheets/sheet1.xml"}})},
            {"xl/worksheets/sheet1.xml", worksheet(rows)},
        });
}

// A zip archive that is no workbook, and a zip workbook whose sheet refers to a shared string it lacks.
void writeZipNoWorkbook(const std::string &out) {
    writeZip(out, {{"readme.txt", "not a workbook\n"}});
}

void writeMissingSharedString(const std::string &out) {
    const std::string workbook = std::string(xmlHead) + R"(<workbook xmlns=")" + mainNs + R"(" xmlns:r=")" +
                                 relNs +
                                 R"("><sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>)";
    writeZip(
        out,
        {
            {"_rels/.rels", relationships({{"rId1", "officeDocument", "xl/workbook.xml"}})},
            {"xl/workbook.xml", workbook},
            {"xl/_rels/workbook.xml.rels", relationships({{"rId1", "worksheet", "worksheets/sheet1.xml"}})},
            {"xl/worksheets/sheet1.xml", worksheet(R"(<row r="1"><c r="A1" t="s"><v>3</v></c></row>)")},
        });
}

// A compound document with a stream of another name: a document, but no workbook.
void writeOleNoWorkbook(const std::string &out) {
    gsf_init();
    GError *error = nullptr;
    GsfOutput *file = gsf_output_stdio_new(out.c_str(), &error);
    if (!file)
        fail("cannot create " + out);
    GsfOutfile *container = gsf_outfile_msole_new(file);
    GsfOutput *stream = gsf_outfile_new_child(container, "WordDocument", FALSE);
    const char text[] = "not a workbook";
    gsf_output_write(stream, sizeof text, reinterpret_cast<const guint8 *>(text));
    gsf_output_close(stream);
    g_object_unref(stream);
    gsf_output_close(GSF_OUTPUT(container)); // closes the file as well
    g_object_unref(container);
    g_object_unref(file);
}

// --- Hand-built binary workbooks ---------------------------------------------------------------------

using Bytes = std::string;

void put16(Bytes &out, unsigned value) {
    out += char(value & 0xFF);
    out += char((value >> 8) & 0xFF);
}

void put32(Bytes &out, unsigned value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void putDouble(Bytes &out, double value) {
    unsigned char raw[8];
    std::memcpy(raw, &value, 8);
    out.append(reinterpret_cast<const char *>(raw), 8);
}

Bytes record(unsigned type, const Bytes &data) {
    Bytes out;
    put16(out, type);
    put16(out, unsigned(data.size()));
    return out + data;
}

Bytes utf16(const std::u16string &text) {
    Bytes out;
    for (char16_t c : text)
        put16(out, c);
    return out;
}

Bytes beginOfFile(unsigned version, unsigned kind) {
    Bytes data;
    put16(data, version);
    put16(data, kind);
    put16(data, 0x0DBB); // build
    put16(data, 0x07CC); // year
    if (version == 0x0600) {
        put32(data, 0);
        put32(data, 0x0006);
    }
    return record(0x0809, data);
}

Bytes cellHead(unsigned row, unsigned column) {
    Bytes data;
    put16(data, row);
    put16(data, column);
    put16(data, 15); // the default cell format
    return data;
}

// A formula "=1" with the given stored result: eight bytes as the format lays them out.
Bytes formula(unsigned row, unsigned column, const Bytes &result) {
    Bytes data = cellHead(row, column) + result;
    put16(data, 0);
    put32(data, 0);
    put16(data, 3);
    data += "\x1E\x01\x00"s;
    return record(0x0006, data);
}

Bytes specialResult(unsigned kind, unsigned value) {
    Bytes data;
    data += char(kind);
    data += '\0';
    data += char(value);
    data += "\0\0\0"s;
    put16(data, 0xFFFF);
    return data;
}

Bytes numberResult(double value) {
    Bytes data;
    putDouble(data, value);
    return data;
}

Bytes boolErr(unsigned row, unsigned column, unsigned value, bool error) {
    Bytes data = cellHead(row, column);
    data += char(value);
    data += char(error ? 1 : 0);
    return record(0x0205, data);
}

Bytes number(unsigned row, unsigned column, double value) {
    Bytes data = cellHead(row, column);
    putDouble(data, value);
    return record(0x0203, data);
}

Bytes dimensions(unsigned rows, unsigned columns, bool biff8) {
    Bytes data;
    if (biff8) {
        put32(data, 0);
        put32(data, rows);
    } else {
        put16(data, 0);
        put16(data, rows);
    }
    put16(data, 0);
    put16(data, columns);
    put16(data, 0);
    return record(0x0200, data);
}

// Cell formats: the reader looks each cell's format up to tell dates from numbers.
Bytes formats(bool biff8) {
    Bytes out;
    for (int i = 0; i < 16; ++i) {
        Bytes data(biff8 ? 20 : 16, '\0');
        data[4] = char(i < 15 ? 0xF5 : 0x01); // style formats, then one cell format
        data[5] = char(i < 15 ? 0xFF : 0x00);
        out += record(0x00E0, data);
    }
    return out;
}

void writeOle(const std::string &out, const char *streamName, const Bytes &stream) {
    gsf_init();
    GError *error = nullptr;
    GsfOutput *file = gsf_output_stdio_new(out.c_str(), &error);
    if (!file)
        fail("cannot create " + out);
    GsfOutfile *container = gsf_outfile_msole_new(file);
    GsfOutput *child = gsf_outfile_new_child(container, streamName, FALSE);
    gsf_output_write(child, stream.size(), reinterpret_cast<const guint8 *>(stream.data()));
    gsf_output_close(child);
    g_object_unref(child);
    gsf_output_close(GSF_OUTPUT(container)); // closes the file as well
    g_object_unref(container);
    g_object_unref(file);
}

Bytes label(unsigned row, unsigned column, const std::u16string &text, unsigned statedLength = 0) {
    Bytes data = cellHead(row, column);
    put16(data, statedLength ? statedLength : unsigned(text.size()));
    data += '\x01';
    return record(0x0204, data + utf16(text));
}

Bytes labelSst(unsigned row, unsigned column, unsigned index) {
    Bytes data = cellHead(row, column);
    put32(data, index);
    return record(0x00FD, data);
}

struct Sheet {
    std::u16string name;
    Bytes records; // between the sheet's begin and end records
};

// A workbook stream whose sheet list names the sheets in the given order; with `reversed`, the sheets
// themselves follow in the stream the other way round.
Bytes biff8Stream(const Bytes &globalsExtra, const std::vector<Sheet> &sheets, bool reversed = false) {
    auto entry = [](unsigned position, const std::u16string &name) {
        Bytes data;
        put32(data, position);
        data += '\0'; // visible
        data += '\0'; // worksheet
        data += char(name.size());
        data += '\x01';
        return record(0x0085, data + utf16(name));
    };
    Bytes codePage;
    put16(codePage, 1200);
    const Bytes head = beginOfFile(0x0600, 0x0005) + record(0x0042, codePage) + formats(true) + globalsExtra;
    std::size_t position = head.size() + 4;
    for (const Sheet &sheet : sheets)
        position += entry(0, sheet.name).size();

    std::vector<Bytes> bodies;
    for (const Sheet &sheet : sheets)
        bodies.push_back(beginOfFile(0x0600, 0x0010) + sheet.records + record(0x000A, {}));
    std::vector<std::size_t> order(sheets.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = reversed ? order.size() - 1 - i : i;
    std::vector<std::size_t> starts(sheets.size());
    Bytes laidOut;
    for (std::size_t i : order) {
        starts[i] = position + laidOut.size();
        laidOut += bodies[i];
    }
    Bytes globals = head;
    for (std::size_t i = 0; i < sheets.size(); ++i)
        globals += entry(unsigned(starts[i]), sheets[i].name);
    return globals + record(0x000A, {}) + laidOut;
}

// The shared string table, split over two continuation records: the first break falls between a string's
// formatting runs (which go on without a marker), the second in the middle of a string's characters
// (which go on after a new flag byte, here switching to two-byte characters).
Bytes sharedStringTable() {
    Bytes first;
    put32(first, 4);
    put32(first, 4);
    put16(first, 2);
    first += '\x01';
    first += utf16(u"普通");
    put16(first, 3);
    first += '\x08'; // one-byte characters, formatting runs
    put16(first, 2);
    first += "abc";
    first += Bytes(4, '\0'); // the first of the two runs
    Bytes second(4, '\0');
    put16(second, 2);
    second += '\x05'; // two-byte characters, phonetic reading
    put32(second, 6);
    second += utf16(u"王五");
    second += Bytes(6, '\0');
    put16(second, 4);
    second += '\0';
    second += "de";
    const Bytes third = "\x01"s + utf16(u"张三");
    return record(0x00FC, first) + record(0x003C, second) + record(0x003C, third);
}

// "名单" comes first in the sheet list but second in the stream. It holds the records that office suites
// rarely write: boolean and error cells, a text result that goes on in a continuation record (and there
// switches from one-byte to two-byte characters), a text result after a shared-formula record, and shared
// strings with formatting runs, a phonetic reading and continuation records. "说明" holds 99 in A1.
void writeRecordsXls(const std::string &out, std::size_t cut = 0) {
    Bytes longText;
    put16(longText, 5);
    longText += '\0'; // one byte per character
    longText += "abc";
    const Bytes continuation = "\x01"s + utf16(u"张三");
    Bytes shared(10, '\0');
    Bytes sharedText;
    put16(sharedText, 2);
    sharedText += '\x01';
    sharedText += utf16(u"共享");
    const Bytes students = dimensions(4, 5, true) + number(0, 0, 20260001) + boolErr(0, 1, 1, false) +
                           boolErr(0, 2, 0, false) + boolErr(0, 3, 0x2A, true) +
                           formula(1, 0, specialResult(0, 0)) + record(0x0207, longText) +
                           record(0x003C, continuation) + formula(1, 1, specialResult(1, 0)) +
                           formula(1, 2, specialResult(2, 0x07)) + formula(1, 3, numberResult(0.1 + 0.2)) +
                           formula(1, 4, specialResult(3, 0)) + formula(2, 0, specialResult(0, 0)) +
                           record(0x04BC, shared) + record(0x0207, sharedText) + labelSst(3, 0, 0) +
                           labelSst(3, 1, 1) + labelSst(3, 2, 2) + labelSst(3, 3, 3);
    const Bytes notes = dimensions(1, 1, true) + formula(0, 0, numberResult(99));
    const Bytes stream = biff8Stream(sharedStringTable(), {{u"名单", students}, {u"说明", notes}}, true);
    writeOle(out, "Workbook", stream.substr(0, stream.size() - cut));
}

// Cells outside the area the sheet's dimensions record states: that record is a hint, and some writers
// get it wrong.
void writeDimensionsXls(const std::string &out) {
    writeOle(out, "Workbook",
             biff8Stream({}, {{u"名单", dimensions(1, 1, true) + number(0, 0, 1.5) + label(3, 2, u"远")}}));
}

// A text cell whose stated length runs far past its record.
void writeLabelOverrunXls(const std::string &out) {
    writeOle(out, "Workbook", biff8Stream({}, {{u"名单", label(0, 0, u"张三", 0xFFFF)}}));
}

// A cell that refers to a shared string the table does not hold.
void writeMissingStringXls(const std::string &out) {
    Bytes table;
    put32(table, 1);
    put32(table, 1);
    put16(table, 1);
    table += '\0';
    table += 'a';
    writeOle(out, "Workbook", biff8Stream(record(0x00FC, table), {{u"名单", labelSst(0, 0, 7)}}));
}

// A shared string table that states four billion strings and holds one.
void writeHugeStringCountXls(const std::string &out) {
    Bytes table;
    put32(table, 0xFFFFFFFFu);
    put32(table, 0xFFFFFFFFu);
    put16(table, 1);
    table += '\0';
    table += 'a';
    writeOle(out, "Workbook", biff8Stream(record(0x00FC, table), {{u"名单", labelSst(0, 0, 0)}}));
}

// A number in column 300, past the columns the import takes.
void writeFarColumnXls(const std::string &out) {
    writeOle(out, "Workbook", biff8Stream({}, {{u"名单", number(0, 0, 1) + number(0, 299, 2)}}));
}

Bytes rkInteger(unsigned row, unsigned column, int value) {
    Bytes data = cellHead(row, column);
    put32(data, (unsigned(value) << 2) | 0x02);
    return record(0x027E, data);
}

std::u16string utf16Of(const std::string &utf8) {
    std::u16string text;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char lead = utf8[i];
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
        unsigned code = length == 1 ? lead : length == 2 ? lead & 0x1F : lead & 0x0F;
        for (int k = 1; k < length; ++k)
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        text += char16_t(code);
        i += length;
    }
    return text;
}

// Student numbers in the binary format: whole numbers as eight-byte numbers (exact below 15 digits, past
// them only as close as a double gets) and as the short integers of RK records, and a long number as text.
void writeStudentNumbersXls(const std::string &out) {
    const std::vector<Bytes> numberCells = {
        number(1, 0, 20260001),
        rkInteger(2, 0, 20260002),
        number(3, 0, 999999999999999),
        number(4, 0, 1234567890123456.0),
        number(5, 0, 123456789012345678.0),
        rkInteger(6, 0, -5),
        label(7, 0, u"123456789012345679"),
    };
    Bytes cells = dimensions(unsigned(numberCells.size() + 1), unsigned(studentListTitles.size()), true);
    for (std::size_t column = 0; column < studentListTitles.size(); ++column)
        cells += label(0, unsigned(column), utf16Of(studentListTitles[column]));
    for (std::size_t i = 0; i < numberCells.size(); ++i) {
        const unsigned row = unsigned(i + 1);
        cells += numberCells[i] + label(row, 1, u"甲") + label(row, 2, u"男");
        for (std::size_t column = 3; column < studentListTitles.size(); ++column)
            cells += number(row, unsigned(column), 95.5);
    }
    writeOle(out, "Workbook", biff8Stream({}, {{u"名单", cells}}));
}

// A workbook of the mid-nineties: stream "Book", eight-bit text in the code page the workbook names (GBK).
void writeBiff5Xls(const std::string &out) {
    const Bytes gbkName = "\xC3\xFB\xB5\xA5"s;  // 名单
    const Bytes gbkZhang = "\xD5\xC5\xC8\xFD"s; // 张三
    const Bytes gbkLi = "\xC0\xEE\xCB\xC4"s;    // 李四
    Bytes label = cellHead(0, 0);
    put16(label, unsigned(gbkZhang.size()));
    label += gbkZhang;
    Bytes text;
    put16(text, unsigned(gbkLi.size()));
    text += gbkLi;
    const Bytes sheet = beginOfFile(0x0500, 0x0010) + dimensions(1, 3, false) + record(0x0204, label) +
                        formula(0, 1, specialResult(0, 0)) + record(0x0207, text) +
                        formula(0, 2, numberResult(85)) + record(0x000A, {});

    Bytes codePage;
    put16(codePage, 936);
    const Bytes head = beginOfFile(0x0500, 0x0005) + record(0x0042, codePage) + formats(false);
    Bytes entry;
    put32(entry, 0);
    entry += '\0';
    entry += '\0';
    entry += char(gbkName.size());
    entry += gbkName;
    const std::size_t sheetStart = head.size() + record(0x0085, entry).size() + 4;
    entry.replace(0, 4, Bytes{char(sheetStart & 0xFF), char((sheetStart >> 8) & 0xFF), '\0', '\0'});
    writeOle(out, "Book", head + record(0x0085, entry) + record(0x000A, {}) + sheet);
}

// Noise that is the same every time it is made.
void writeRandom(const std::string &out, unsigned long seed) {
    std::ofstream file(out, std::ios::binary);
    unsigned long state = seed;
    for (int i = 0; i < 1024; ++i) {
        state = state * 6364136223846793005ul + 1442695040888963407ul;
        file.put(char(state >> 56));
    }
}

} // namespace

int main(int argc, char **argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "students")
        writeStudents(args[1], args[2]);
    else if (args.size() == 2 && args[0] == "formulas")
        writeFormulas(args[1]);
    else if (args.size() == 2 && args[0] == "workbook-order")
        writeWorkbookOrder(args[1]);
    else if (args.size() == 2 && args[0] == "cells")
        writeCells(args[1]);
    else if (args.size() == 2 && args[0] == "zip-no-workbook")
        writeZipNoWorkbook(args[1]);
    else if (args.size() == 2 && args[0] == "missing-shared-string")
        writeMissingSharedString(args[1]);
    else if (args.size() == 2 && args[0] == "ole-no-workbook")
        writeOleNoWorkbook(args[1]);
    else if (args.size() == 2 && args[0] == "records-xls")
        writeRecordsXls(args[1]);
    else if (args.size() == 2 && args[0] == "biff5-xls")
        writeBiff5Xls(args[1]);
    else if (args.size() == 2 && args[0] == "dimensions-xls")
        writeDimensionsXls(args[1]);
    else if (args.size() == 2 && args[0] == "label-overrun-xls")
        writeLabelOverrunXls(args[1]);
    else if (args.size() == 2 && args[0] == "missing-string-xls")
        writeMissingStringXls(args[1]);
    else if (args.size() == 2 && args[0] == "cut-stream-xls")
        writeRecordsXls(args[1], 20);
    else if (args.size() == 2 && args[0] == "nearly-complete-xls")
        writeRecordsXls(args[1], 3); // one byte of the last end record left
    else if (args.size() == 2 && args[0] == "huge-string-count-xls")
        writeHugeStringCountXls(args[1]);
    else if (args.size() == 2 && args[0] == "far-column-xls")
        writeFarColumnXls(args[1]);
    else if (args.size() == 2 && args[0] == "student-numbers")
        writeStudentNumbersXlsx(args[1]);
    else if (args.size() == 2 && args[0] == "student-numbers-xls")
        writeStudentNumbersXls(args[1]);
    else if (args.size() == 3 && args[0] == "random")
        writeRandom(args[1], std::stoul(args[2]));
    else
        fail("usage: make_fixtures students CSV OUT | formulas|workbook-order|cells|zip-no-workbook|"
             "missing-shared-string|ole-no-workbook|records-xls|biff5-xls|dimensions-xls|label-overrun-xls|"
             "missing-string-xls|cut-stream-xls|nearly-complete-xls|huge-string-count-xls|far-column-xls|"
             "student-numbers|student-numbers-xls OUT "
             "| "
             "random OUT SEED");
    return 0;
}
