#include "NameTables.h"

const char* const ProductProcessNames[] = {
    "TQMPFW.EXE", "TQMStart.EXE", "QMailMon.EXE", "QPFWSvc.EXE", "QWatch.EXE", "QWatch9x.EXE", "",
};
