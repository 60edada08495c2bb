// What the tests include besides the program's own headers, compiled once per build.
#pragma once

#include "core.h"

#include <QtTest>
