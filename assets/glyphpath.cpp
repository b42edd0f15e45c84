// glyphpath FONTFILE TEXT SIZE: prints the outline of TEXT set in the font at SIZE pixels as
// SVG path data, centred on the origin, so that make-assets.sh can draw the scalable icon
// without depending on the fonts of the machine that shows it.
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainterPath>
#include <QTextStream>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 4) return 2;
    const int id = QFontDatabase::addApplicationFont(QString::fromLocal8Bit(argv[1]));
    if (id < 0) return 1;
    QFont font(QFontDatabase::applicationFontFamilies(id).value(0));
    font.setPixelSize(QString::fromLocal8Bit(argv[3]).toInt());
    QPainterPath path;
    path.addText(0, 0, font, QString::fromUtf8(argv[2]));
    path.translate(-path.boundingRect().center());
    QTextStream out(stdout);
    out.setRealNumberPrecision(4);
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            if (i > 0) out << 'Z';
            out << 'M' << e.x << ' ' << e.y;
        } else if (e.isLineTo()) {
            out << 'L' << e.x << ' ' << e.y;
        } else if (e.isCurveTo()) {
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element to = path.elementAt(i + 2);
            out << 'C' << e.x << ' ' << e.y << ' ' << c2.x << ' ' << c2.y << ' ' << to.x << ' ' << to.y;
            i += 2;
        }
    }
    out << "Z\n";
    return 0;
}
