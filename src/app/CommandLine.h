#pragma once
#include <QStringList>

namespace qx {

struct CommandLine {
    bool simulate = false; // the built-in simulated meter instead of USB
    bool trace = false;    // every device call with its bytes on standard error
    bool service = false;  // show the meter setup menu item
    bool ok = true;
    QString error;

    static CommandLine parse(const QStringList &arguments);
    static QString usage();
};

} // namespace qx
