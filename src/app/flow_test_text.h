#pragma once

#include <string>

#include "airflow/flow_test.h"

namespace orv {

// One flow test as plain text for the command line: its conditions, its notes and its record
// table (or, for a port map, its planes). Numbers are in the test's English units.
std::string FlowTestText(const FlowTest& test);

// The meaning of a flow-test reader's or loader's error code, for messages.
std::string FlowErrorText(FlowError code);

}  // namespace orv
