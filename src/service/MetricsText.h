// The monitor's snapshot in the Prometheus text format (version 0.0.4).
#pragma once

#include <string>

#include "monitor/MonitorSnapshot.h"

namespace sonivex {

constexpr char kMetricsContentType[] = "text/plain; version=0.0.4; charset=utf-8";

// A label value with backslash, double quote and line feed escaped.
std::string EscapeLabelValue(const std::string& value);
// A number as the format writes it, whatever the C library's locale.
std::string MetricNumber(double value);

std::string MetricsText(const MonitorSnapshot& s);

}  // namespace sonivex
