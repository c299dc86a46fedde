#include "ErrorReport.h"

int main(int argc, char **argv)
{
    PelkoApplication app(argc, argv);
    Q_UNUSED(app);
    return 0;
}
