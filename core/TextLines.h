#pragma once

#include <QStringList>
#include <QStringView>

// The lines of a text whose lines end in CR LF, CR or LF, as a text box shows them: a line end
// after the last line opens no further line, and empty lines between others count.
QStringList splitLines(QStringView text);
