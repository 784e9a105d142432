// The publisher: one more listener of the UI records, registered at start-up in both the
// window and the headless mode. It turns readings into <base>/state, every stored
// history data set into <base>/archive, the console link into <base>/status, the line
// quality into <base>/diagnostics, and keeps Home Assistant's discovery configs
// announced. The network is the client's (exchange/mqtt_client.h): nothing here waits.
#pragma once
#include <cstdint>
#include <string>

#include "records/queue_records.h"

// State publications of one group are at least this far apart ...
constexpr double kMqttGroupMinSeconds = 1.0;
// ... and an unchanged group is published again after this long, so that Home Assistant
// does not take a steady value for a lost one (its expire_after is longer).
constexpr double kMqttRepeatSeconds = 60.0;

// Reads clearhorizon.ini at ini_path and, when MQTT is enabled, starts the client for
// the console id (the base topic's default). 0 started, -1 disabled or no host, -2 the
// client could not be made. A second call restarts with the file as it is then.
int StartMqttPublisher(const char *ini_path, int console_id);
// Orderly end: "offline" on the status topic, disconnect (waits at most a few seconds).
void StopMqttPublisher();

// Main thread: the record after the dispatcher has taken it into UI_data.
void PublishUIRecord(const UIRecord *record);
// Registers PublishUIRecord for the kinds it publishes.
void RegisterMqttPublisherListeners();

// "MQTT: connected to <host>" / "MQTT: retrying, <reason>"; empty while MQTT is off.
std::string MqttStateLine();
// The bench measures the path of every record, not the limit: it lowers the second.
void SetMqttGroupMinSeconds(double seconds);
// The topic everything is published under ("" while off).
std::string MqttPublisherBaseTopic();
