// The four objects of one action, as the main program makes them for a
// process: settings, file list, progress state and report.
#pragma once

#include <gtest/gtest.h>

#include "processing/bzFileList.h"
#include "processing/bzProcessState.h"
#include "processing/bzReport.h"
#include "processing/bzSettings.h"

namespace testsupport {

struct RunObjects {
  swde::bzSettings settings;
  swde::bzFileList files;
  swde::bzProcessState state;
  swde::bzReport report{false};
};

// The same with the report already created on the (empty) file list, for a
// process that writes free lines only.
struct CreatedRun : RunObjects {
  CreatedRun() { EXPECT_TRUE(report.Create(&files)); }
};

}  // namespace testsupport
