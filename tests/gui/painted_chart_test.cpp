#include "gui/painted_chart.h"

#include <QImage>
#include <QTest>

using fenban::gui::ChartContent;
using fenban::gui::PaintedChart;

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(ChartContent::Kind)

namespace {

constexpr QRgb firstSetColour = 0x209fdf;
constexpr QRgb referenceColour = 0xd9372b;

qsizetype pixelsOf(const QImage &image, QRgb colour) {
    qsizetype count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) & 0xffffff) == colour;
    return count;
}

QImage drawn(const ChartContent &content) {
    PaintedChart chart(u"标题"_s);
    chart.resize(400, 260);
    chart.setContent(content);
    return chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

ChartContent twoClassMeans() {
    ChartContent content;
    content.title = u"各班数学平均分"_s;
    content.classes = {u"1班"_s, u"2班"_s};
    content.sets = {{u"班级平均分"_s, {72.5, 73.5}}};
    content.reference = ChartContent::Reference{u"全体平均分 73.00"_s, 73.0};
    content.lowest = 72.5;
    content.highest = 73.5;
    return content;
}

} // namespace

// The chart drawn for builds without Qt Charts: its scale, and that what it is given reaches the picture.
class PaintedChartTest : public QObject {
    Q_OBJECT

private slots:
    void scaleMarksRoundValues_data();
    void scaleMarksRoundValues();
    void drawsTheBarsAndTheReferenceLine();
    void emptyClassesDrawNoBox();
};

void PaintedChartTest::scaleMarksRoundValues_data() {
    QTest::addColumn<ChartContent::Kind>("kind");
    QTest::addColumn<double>("lowest");
    QTest::addColumn<double>("highest");
    QTest::addColumn<QString>("marks");

    // Means a few tenths apart get room around them and marks half a point apart.
    QTest::newRow("means") << ChartContent::Kind::Bars << 72.7 << 73.65 << u"72.0 72.5 73.0 73.5 74.0 74.5"_s;
    QTest::newRow("one mean") << ChartContent::Kind::Bars << 649.1 << 649.1
                              << u"648.6 648.8 649.0 649.2 649.4 649.6"_s;
    QTest::newRow("no values") << ChartContent::Kind::Bars << 1.0 << 0.0 << u"0.0 0.2 0.4 0.6 0.8 1.0"_s;
    QTest::newRow("totals") << ChartContent::Kind::Boxes << 534.0 << 780.0
                            << u"400 500 600 700 800 900 1000"_s;
    // Head-counts start at 0 in whole numbers, the top mark at or over the tallest stack.
    QTest::newRow("counts") << ChartContent::Kind::StackedBars << 0.0 << 61.0 << u"0 13 26 39 52 65"_s;
    QTest::newRow("few counts") << ChartContent::Kind::StackedBars << 0.0 << 8.0 << u"0 2 4 6 8"_s;
    QTest::newRow("no counts") << ChartContent::Kind::StackedBars << 0.0 << 0.0 << u"0 1"_s;
}

void PaintedChartTest::scaleMarksRoundValues() {
    QFETCH(ChartContent::Kind, kind);
    QFETCH(double, lowest);
    QFETCH(double, highest);
    QFETCH(QString, marks);
    ChartContent content;
    content.kind = kind;
    content.lowest = lowest;
    content.highest = highest;
    const PaintedChart::Scale scale = PaintedChart::scaleFor(content);
    QStringList labels;
    for (const double tick : scale.ticks)
        labels.append(QString::number(tick, 'f', scale.decimals));
    QCOMPARE(labels.join(u' '), marks);
}

void PaintedChartTest::drawsTheBarsAndTheReferenceLine() {
    // Before any figures only the title shows.
    PaintedChart empty(u"各班平均分"_s);
    QCOMPARE(empty.content().title, u"各班平均分"_s);
    QVERIFY(empty.content().classes.isEmpty());

    const ChartContent content = twoClassMeans();
    const QImage withLine = drawn(content);
    QVERIFY(pixelsOf(withLine, firstSetColour) > 500);
    QVERIFY(pixelsOf(withLine, referenceColour) > 100);

    ChartContent noLine = content;
    noLine.reference.reset();
    QCOMPARE(pixelsOf(drawn(noLine), referenceColour), 0);
}

void PaintedChartTest::emptyClassesDrawNoBox() {
    ChartContent content;
    content.kind = ChartContent::Kind::Boxes;
    content.classes = {u"1班"_s, u"2班"_s};
    content.boxes = {std::nullopt, std::nullopt};
    content.legend = false;
    content.lowest = 1.0;
    content.highest = 0.0;
    QCOMPARE(pixelsOf(drawn(content), firstSetColour), 0);

    content.boxes[1] = fenban::reports::BoxFigures{500.0, 600.0, 650.0, 700.0, 780.0};
    content.lowest = 500.0;
    content.highest = 780.0;
    QVERIFY(pixelsOf(drawn(content), firstSetColour) > 100);
}

QTEST_MAIN(PaintedChartTest)
#include "painted_chart_test.moc"
