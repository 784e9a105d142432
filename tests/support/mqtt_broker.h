// A real mosquitto broker for one test, on 127.0.0.1 and a free port, with a config file
// of its own in the test's folder (anonymous, or with a password file, optionally TLS),
// and a subscriber in the test process that records every message it is sent. Only the
// broker started here is ever signalled.
#pragma once
#include <functional>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

struct mosquitto;

struct TestBroker {
    pid_t pid = -1;
    int port = 0;
    std::string config;
    std::string log;
};

struct BrokerOptions {
    std::string user;       // with a password file when given
    std::string password;
    std::string ca_file;    // TLS listener when cert_file is given
    std::string cert_file;
    std::string key_file;
    // Sessions and queued messages survive a restart, so that a subscriber misses
    // nothing whichever of it and the program connects first.
    bool persistent = false;
};

// Runs a tool (full path first) to its end, its output appended to output. True when it
// ended with status 0.
bool RunTestTool(const std::vector<std::string> &args, const std::string &output);
// A CA and a server certificate it signed for localhost and 127.0.0.1, made with openssl
// in folder: ca.crt, server.crt, server.key. True when all were made.
bool MakeTestCertificates(const std::string &folder);

// Writes folder/mosquitto.conf and starts the broker; true once it takes connections.
bool StartTestBroker(const std::string &folder, const BrokerOptions &options, TestBroker *b);
// SIGTERM and reaping; the broker loses its retained messages (no persistence).
void StopTestBroker(TestBroker *b);
// The same config and port again.
bool RestartTestBroker(TestBroker *b);

struct ReceivedMessage {
    std::string topic;
    std::string payload;
    bool retained;
};

struct TestSubscriber {
    mosquitto *mosq = nullptr;
    std::mutex lock;
    std::vector<ReceivedMessage> messages;
};

// Subscribes to everything (#), reconnecting by itself after a broker restart; with a
// lasting session (the broker keeps its subscription and queues for it) when asked.
bool StartTestSubscriber(int port, TestSubscriber *s, bool lasting = false);
void StopTestSubscriber(TestSubscriber *s);
// A copy of what came so far.
std::vector<ReceivedMessage> ReceivedSoFar(TestSubscriber *s);
// Waits until pred holds for the messages so far, at most seconds; true when it held.
bool WaitForMessages(TestSubscriber *s, const std::function<bool(const std::vector<ReceivedMessage> &)> &pred,
                     double seconds);
// Payloads of topic, in the order they came.
std::vector<std::string> PayloadsOf(const std::vector<ReceivedMessage> &messages,
                                    const std::string &topic);
