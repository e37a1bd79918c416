#include "support/rtf_test_support.h"

#include <QTextBlock>
#include <QTextList>
#include <sstream>

#include "richtext/rtf_document.h"

namespace kd::test {

std::unique_ptr<QTextDocument> make_doc() {
    auto doc = std::make_unique<QTextDocument>();
    QFont f("Arial");
    f.setPointSize(10);
    doc->setDefaultFont(f);
    return doc;
}

namespace {

std::string look(const QTextDocument& doc, const QTextCharFormat& f) {
    QFont d = doc.defaultFont();
    std::ostringstream out;
    QStringList families = f.fontFamilies().toStringList();
    out << (families.isEmpty() ? d.family() : families.first()).toStdString();
    out << " cs" << (f.hasProperty(kCharsetProperty) ? f.intProperty(kCharsetProperty) : 0);
    out << " " << (f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : d.pointSizeF());
    bool bold =
        f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() >= QFont::DemiBold : d.bold();
    bool italic = f.hasProperty(QTextFormat::FontItalic) ? f.fontItalic() : d.italic();
    bool underline = (f.hasProperty(QTextFormat::TextUnderlineStyle) ||
                      f.hasProperty(QTextFormat::FontUnderline))
                         ? f.fontUnderline()
                         : d.underline();
    bool strike = f.hasProperty(QTextFormat::FontStrikeOut) ? f.fontStrikeOut() : d.strikeOut();
    out << (bold ? " B" : "") << (italic ? " I" : "") << (underline ? " U" : "")
        << (strike ? " S" : "");
    if (f.hasProperty(QTextFormat::ForegroundBrush))
        out << " fg" << f.foreground().color().name().toStdString();
    if (f.hasProperty(QTextFormat::BackgroundBrush))
        out << " bg" << f.background().color().name().toStdString();
    return out.str();
}

}  // namespace

std::string describe(const QTextDocument& doc) {
    std::ostringstream out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        QTextBlockFormat bf = b.blockFormat();
        Qt::Alignment a = bf.alignment() & Qt::AlignHorizontal_Mask;
        out << "[para "
            << (a & Qt::AlignHCenter   ? "C"
                : a & Qt::AlignJustify ? "J"
                : a & Qt::AlignRight   ? "R"
                                       : "L")
            << " li" << pixels_to_twips(bf.leftMargin()) << " ri"
            << pixels_to_twips(bf.rightMargin()) << " fi" << pixels_to_twips(bf.textIndent());
        if (QTextList* list = b.textList())
            out << " list" << int(list->format().style()) << "#" << list->itemNumber(b);
        out << "]\n";
        // Runs of equal look are one run, however the document split them.
        std::string text, last;
        auto flush = [&] {
            if (!text.empty())
                out << "  \"" << text << "\" " << last << "\n";
            text.clear();
        };
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            QTextFragment frag = it.fragment();
            std::string l = look(doc, frag.charFormat());
            if (l != last)
                flush();
            last = l;
            text += frag.text().toStdString();
        }
        flush();
    }
    return out.str();
}

}  // namespace kd::test
