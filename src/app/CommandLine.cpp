#include "CommandLine.h"

namespace qx {

CommandLine CommandLine::parse(const QStringList &arguments)
{
    CommandLine c;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == "--simulate")
            c.simulate = true;
        else if (a == "--trace")
            c.trace = true;
        else if (a == "--service")
            c.service = true;
        else if (a.startsWith('-') && a != "--help" && a != "-h") {
            // Qt's own options (-platform, -style …) are taken by QApplication first.
            c.ok = false;
            c.error = QString("unknown option %1").arg(a);
        } else if (a == "--help" || a == "-h") {
            c.ok = false;
        }
    }
    return c;
}

QString CommandLine::usage()
{
    return QStringLiteral("Usage: qx736 [--simulate] [--trace] [--service]\n"
                          "  --simulate  run against the built-in simulated meter\n"
                          "  --trace     print every exchange with the meter in hex on standard error\n"
                          "  --service   show the meter setup menu item\n");
}

} // namespace qx
