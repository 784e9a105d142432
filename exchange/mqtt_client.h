// The connection to the MQTT broker, on a network thread of its own: the communication
// thread and the user-interface thread only hand messages over and never wait on the
// network. The thread connects, reconnects with a back-off of 1, 2, 4 ... 60 s, and on
// every (re)connect publishes the availability, the retained announcements (the broker
// may have lost them) and the latest live values, then the archive messages that waited.
// Live values are replaced, never queued; archive messages wait in a bounded queue that
// keeps the newest kMqttArchiveQueue, and leave it in order.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "exchange/mqtt_settings.h"

constexpr int kMqttArchiveQueue = 1000;
constexpr int kMqttMaxBackoffSeconds = 60;
// A connection without the broker's answer after this long is given up and tried again.
constexpr int kMqttConnectSeconds = 15;

enum MqttState {
    MQTT_OFF = 0,         // not started (disabled, or no host)
    MQTT_CONNECTING = 1,  // first attempt under way
    MQTT_CONNECTED = 2,   // the broker accepted the connection
    MQTT_RETRYING = 3,    // the last attempt failed or the connection was lost
};

struct MqttMessage {
    std::string topic;
    std::string payload;
};

// Starts the thread for these settings; status_topic carries "online"/"offline" and is the
// last will. Stops a running connection first. 0, or -1 when the settings are off or
// have no host (nothing started), -2 when the client cannot be made.
int MqttClientStart(const MqttSettings *settings, const char *client_id,
                    const char *status_topic);
// Orderly end: "offline" (retained) on the status topic when connected, a clean
// disconnect, the thread joined. Waits at most patience seconds for the network; a
// thread still stuck in a name look-up after that is left to end by itself.
void MqttClientStop(double patience);

// Retained messages sent on every connection (discovery configs); replaces the last set.
// Sent at once when connected.
void MqttClientSetAnnouncements(const std::vector<MqttMessage> &messages);
// One retained message sent once (now when connected, else on the next connection), for
// removing announcements with an empty payload.
void MqttClientSendRetainedOnce(const std::string &topic, const std::string &payload);
// The newest value of a live topic (not retained): sent now when connected, else on the
// next connection; a later value replaces one not yet sent.
void MqttClientSetLive(const std::string &topic, const std::string &payload);
// An archive message (QoS 1, not retained) into the bounded queue; sent in order.
void MqttClientQueueArchive(const std::string &topic, const std::string &payload);
// What the status topic says while connected: "online" or "offline" (console link lost).
void MqttClientSetAvailable(bool online);

// The state and its words: "connected to <host>", "retrying, <reason>", "connecting to
// <host>", "not started, <reason>" (MQTT_RETRYING without a thread: the settings cannot
// be used, such as a CA file that is not there); empty when off. Any thread.
int MqttClientState(std::string *words);
// How many archive messages were dropped from a full queue, and how many wait.
void MqttClientArchiveCounts(uint64_t *dropped, int *waiting);

// One connection attempt for the Settings tab's "Test connection": connects, waits for
// the broker's answer (at most seconds), disconnects. Runs on the calling thread (the
// tab runs it on a worker). 0 with "connected", else -1 with what went wrong in words
// ("refused: not authorised", "host not found", "TLS: certificate not trusted", ...).
int MqttTestConnection(const MqttSettings *settings, double seconds, std::string *words);
