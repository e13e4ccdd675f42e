#pragma once

// The one place that includes mdbtools' header. From C++20 it only compiles with the GLib and
// iconv headers included first. Only the reader process's source files include this; no public
// header of ours does.

// clang-format off
#include <glib.h>
#include <iconv.h>
#include <mdbtools.h>
// clang-format on
