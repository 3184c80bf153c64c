#pragma once
// What a test includes: GoogleTest, the standard texts and containers, and the
// test support library (scratch files and programs, recorded feedback, the
// pseudo-terminal pair, the host's end of a line, the simulator process).

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "host_line.h"
#include "pty_pair.h"
#include "recording_feedback.h"
#include "simulator_process.h"
#include "test_files.h"
