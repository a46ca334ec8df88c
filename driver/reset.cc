#include "driver/reset.h"

#include "driver/command_line.h"
#include "source/report.h"
#include "source/source_buffer.h"
#include "store/definition_table.h"
#include "store/string_table.h"

void ResetTranslator() {
  ResetSource();
  ResetReports();
  ResetStrings();
  ResetDefinitions();
  InputFile = nullptr;
}
