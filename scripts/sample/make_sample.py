#!/usr/bin/python3
"""Makes the sample student spreadsheet delivered with the program.

Writes data/导入excel文件样例/分班数据输入样例.xlsx with about forty invented students in the layout the
import reads, then has LibreOffice save an .xls twin beside it.

Needs Debian's python3-xlsxwriter and libreoffice-calc-nogui (only to remake the files; the build uses
the committed results).
"""
import pathlib
import random
import shutil
import subprocess
import tempfile

import xlsxwriter

HEADERS = ["学号", "登分号", "姓名", "性别", "数学", "英语", "语文", "物理", "政治", "历史", "体育", "地理", "生物",
           "毕业学校", "地址", "备注", "分类"]
SURNAMES = "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程苏魏吕丁任沈姚卢姜崔钟谭陆汪范金石廖贾夏韦付方白邹孟熊秦邱江尹薛闫段雷侯龙史陶黎贺顾毛郝龚邵万钱严覃武戴莫孔向汤"
GIVEN_BOYS = ["伟", "强", "磊", "军", "洋", "勇", "杰", "涛", "明", "超", "浩然", "子轩", "宇航", "俊杰", "博文", "志强", "晨阳", "天佑"]
GIVEN_GIRLS = ["芳", "娜", "敏", "静", "丽", "艳", "婷", "雪", "琳", "欣怡", "梓涵", "雨桐", "诗琪", "佳怡", "思雨", "梦洁", "晓燕", "慧敏"]
SCHOOLS = ["城关第一中学", "城关第二中学", "实验学校", "东城中学", "西湖镇中学", "南山乡中学"]
STREETS = ["人民路", "解放路", "建设街", "文化路", "新华街", "中山路", "胜利街"]
CATEGORIES = ["体育特长", "艺术特长"]


def invented_students(count, rng):
    students = []
    names = set()
    for i in range(count):
        boy = i % 2 == 0
        while True:
            name = rng.choice(SURNAMES) + rng.choice(GIVEN_BOYS if boy else GIVEN_GIRLS)
            if name not in names:
                names.add(name)
                break
        scores = [rng.choice([rng.randint(45, 100), rng.randint(45, 99) + 0.5]) for _ in range(9)]
        scores[6] = rng.randint(20, 30)  # physical education is scored out of 30
        remark = "转学" if i % 13 == 5 else ""
        category = CATEGORIES[i % 2] if i % 11 == 3 else ""
        students.append([
            20260001 + i, "%04d" % (101 + i), name, "男" if boy else "女", *scores,
            rng.choice(SCHOOLS), "%s%d号" % (rng.choice(STREETS), rng.randint(1, 200)), remark, category,
        ])
    # Two names that sound alike, so the homophone rule has something to do in the sample.
    students[0][2], students[2][2] = "张伟", "章伟"
    return students


def write_xlsx(path, students):
    workbook = xlsxwriter.Workbook(str(path))
    sheet = workbook.add_worksheet("学生")
    for column, header in enumerate(HEADERS):
        sheet.write_string(0, column, header)
    for row, student in enumerate(students, start=1):
        for column, value in enumerate(student):
            if isinstance(value, str):
                if value:
                    sheet.write_string(row, column, value)
            else:
                sheet.write_number(row, column, value)
    sheet.set_column(0, 1, 11)
    sheet.set_column(13, 14, 16)
    workbook.close()


def convert_to_xls(xlsx, folder):
    with tempfile.TemporaryDirectory() as profile:
        subprocess.run(["soffice", "-env:UserInstallation=file://" + profile, "--headless", "--convert-to", "xls",
                        "--outdir", str(folder), str(xlsx)], check=True, capture_output=True)


def main():
    top = pathlib.Path(__file__).resolve().parents[2]
    folder = top / "data" / "导入excel文件样例"
    folder.mkdir(parents=True, exist_ok=True)
    students = invented_students(40, random.Random(2026))
    xlsx = folder / "分班数据输入样例.xlsx"
    write_xlsx(xlsx, students)
    if shutil.which("soffice") is None:
        raise SystemExit("LibreOffice (soffice) is needed to write the .xls twin")
    convert_to_xls(xlsx, folder)
    print("written:", *sorted(p.name for p in folder.iterdir()))


if __name__ == "__main__":
    main()
