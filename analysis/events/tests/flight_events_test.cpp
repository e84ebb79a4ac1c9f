#include <gtest/gtest.h>

#include "flight_report.h"

TEST(FlightEvents, Placeholder) {}
