// The snapshot as JSON for the status page and scripts, with the broadcast clock, the host and
// the last operation-log lines.
#pragma once

#include <QByteArray>
#include <string>
#include <vector>

#include "monitor/MonitorSnapshot.h"

namespace sonivex {

QByteArray StatusJson(const MonitorSnapshot& s, const std::string& hostName,
                      const std::vector<std::string>& logLines);

}  // namespace sonivex
