// Password resets per second against the fixture domain controller, through
// each of the service's paths, with 1 and 8 connections. Runs only under
// tests/samba-dc/dc_run.sh (the DC's settings, an Administrator ticket and
// the DC's names); see reset_benchmark.sh.
#pragma once

// Prints one line per path and connection count; false when a reset
// failed or the DC's environment is missing.
bool RunResetLoad(double seconds);
