// /status: the same values as /metrics, shaped for a page.
#include "service/StatusJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace sonivex {

namespace {

QString Text(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QJsonArray Pair(double left, double right) {
    return QJsonArray{left, right};
}

QJsonObject Input(const InputSnapshot& in, int i) {
    QJsonObject alerts;
    for (int kind = 1; kind <= kAlertKinds; ++kind)
        alerts[QString::number(kind)] = static_cast<qint64>(in.tally.alerts[kind]);
    return QJsonObject{
        {"input", i + 1},
        {"name", Text(in.name)},
        {"monitoring", in.monitoring},
        {"paused", QJsonObject{{"schedule", in.pausedSchedule}, {"external", in.pausedExternal}}},
        {"alert", in.alert},
        {"alertKind", in.alert ? in.tally.alertKind : 0},
        {"alertText", in.alert ? Text(in.tally.alertLine) : QString()},
        {"mono", in.mono},
        {"peakDbfs", Pair(in.tally.peakDB[0], in.tally.peakDB[1])},
        {"silentSeconds", Pair(in.silentSeconds[0], in.silentSeconds[1])},
        {"alertsTotal", alerts},
        {"captureFailuresTotal", static_cast<qint64>(in.tally.captureFailures)},
    };
}

QJsonObject Delivery(const DeliveryCounts& c) {
    return QJsonObject{{"sentTotal", static_cast<qint64>(c.sent)},
                       {"failedTotal", static_cast<qint64>(c.failed)},
                       {"queued", c.queued}};
}

QJsonObject Device(const DeviceSnapshot& d) {
    return QJsonObject{{"configured", d.configured}, {"connected", d.connected}};
}

}  // namespace

QByteArray StatusJson(const MonitorSnapshot& s, const std::string& hostName,
                      const std::vector<std::string>& logLines) {
    QJsonArray inputs, log;
    for (int i = 0; i < s.numInputs; ++i) inputs.append(Input(s.inputs[i], i));
    for (const std::string& line : logLines) log.append(Text(line));
    const QJsonObject root{
        {"version", SONIVEX_VERSION},
        {"host", Text(hostName)},
        {"broadcastDate", Text(s.broadcastDate)},
        {"broadcastTime", Text(s.broadcastTime)},
        {"inputs", inputs},
        {"mail", Delivery(s.mail)},
        {"webhook", Delivery(s.webhook)},
        {"tickOverrunsTotal", static_cast<qint64>(s.tickOverruns)},
        {"lastTickTimestampSeconds", s.lastTickSeconds},
        {"devices",
         QJsonObject{{"hidBox", Device(s.hidBox)}, {"serialPort", Device(s.serialPort)}}},
        {"log", log},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

}  // namespace sonivex
