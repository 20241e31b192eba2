#pragma once

#include "ScanProcess.h"
#include "TempDir.h"

#include <vector>

#include <sys/types.h>

namespace hf::test {

// The scan helper the build made.
ScanHelperSetup builtScanHelper();

// What a stand-in helper does once it has sent its bytes: end as soon as it
// has been asked to read (or the program is gone), or wait.
enum class AfterStream { Exit, Wait, WaitIgnoringTerm };

// A stand-in helper in dir: a script that sends the bytes whatever it is
// asked, then does as told. Its limits are short, so that waiting for a
// silent helper takes little time.
ScanHelperSetup fakeScanHelper(const TempDir& dir, const ScanBytes& stream, AfterStream after);

ScanBytes operator+(ScanBytes a, const ScanBytes& b);
ScanBytes packet(ScanMessage type, const ScanBytes& payload = {});

// This process's children, those not yet reaped included.
std::vector<pid_t> childProcesses();

}  // namespace hf::test
