#include "WindowContext.h"

#include <QCoreApplication>
#include <QPrinter>

namespace qx {

QString Folders::programFolder() const { return program.isEmpty() ? QCoreApplication::applicationDirPath() : program; }

void Glyphs::load(int count)
{
    clear();
    for (int i = 0; i < count; ++i) {
        QPixmap p(QString(":/LCD%1").arg(i));
        if (p.isNull())
            break;
        large.push_back(p);
    }
    for (int i = 0; i < count; ++i) {
        QPixmap p(QString(":/LCDS%1").arg(i));
        if (p.isNull())
            break;
        small.push_back(p);
    }
}

void Glyphs::clear()
{
    large.clear();
    small.clear();
}

ProgramPrinter::ProgramPrinter() = default;
ProgramPrinter::~ProgramPrinter() = default;

QPrinter &ProgramPrinter::printer()
{
    // Made on first use: finding the system's printers takes time that start-up need not spend.
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

} // namespace qx
