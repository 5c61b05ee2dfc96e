// The status page: one HTML file with its style and script, served at /.
#pragma once

#include <QByteArray>

namespace sonivex {

QByteArray StatusPageHtml();

}  // namespace sonivex
