// Why a thread of our own and not mosquitto_loop_start: the library's loop gives up for
// good on a name that does not resolve or a TLS failure (a broker's certificate renewed
// with a new CA), and its back-off grows without the cap we promise. Here one loop owns
// the connection and never gives up: connect (name look-up included, which may block, on
// this thread only), serve the socket, and on any failure say why in words and try again
// after 1, 2, 4 ... 60 s. The other threads only put messages into the shared state under
// its lock; when the broker is connected they hand them to libmosquitto at once, which
// only queues them and wakes this thread (threaded mode), so they never wait on the
// network. Announcements and the archive backlog go out from here after every connect.
#include "exchange/mqtt_client.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mosquitto.h>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kKeepAliveSeconds = 30;
constexpr int kQosLive = 0;
constexpr int kQosReliable = 1;
constexpr const char *kOnline = "online";
constexpr const char *kOffline = "offline";

struct Shared {
    std::mutex lock;
    std::condition_variable wake;
    mosquitto *mosq = nullptr;
    MqttSettings settings{};
    std::string client_id;
    std::string status_topic;
    // Under lock.
    bool stopping = false;
    bool finished = false;
    bool connected = false;
    bool available = false;
    int state = MQTT_CONNECTING;
    std::string words;
    std::vector<MqttMessage> announcements;
    std::vector<MqttMessage> retained_once;
    std::map<std::string, std::string> live;  // topic -> newest payload not yet sent
    std::map<std::string, std::string> live_sent;
    std::deque<MqttMessage> archive;
    uint64_t dropped = 0;
    int offline_mid = -1;
    // Network thread only (callbacks run on it).
    int connack = -1;  // -1 no answer yet
    bool offline_acked = false;
    bool tls_untrusted = false;
};

std::mutex client_lock;  // guards `client` and the thread handle
std::shared_ptr<Shared> client;
std::thread network;
std::string not_started;  // why the last start made no client (a CA file that is not there)

void InitLibraryOnce() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

std::string ConnackWords(int rc) {
    switch (rc) {
    case 1: return "refused: protocol version not accepted";
    case 2: return "refused: client id rejected";
    case 3: return "refused: broker unavailable";
    case 4: return "refused: bad user name or password";
    case 5: return "refused: not authorised";
    default: return "refused (code " + std::to_string(rc) + ")";
    }
}

std::string ErrorWords(int rc, int err, bool tls_untrusted) {
    switch (rc) {
    case MOSQ_ERR_EAI:
    case MOSQ_ERR_LOOKUP: return "host not found";
    case MOSQ_ERR_TLS:
    case MOSQ_ERR_TLS_HANDSHAKE:
        return tls_untrusted ? "TLS: certificate not trusted" : "TLS: handshake failed";
    case MOSQ_ERR_CONN_LOST: return "connection lost";
    case MOSQ_ERR_KEEPALIVE: return "no answer from the broker";
    case MOSQ_ERR_ERRNO:
        if (err == ECONNREFUSED) return "connection refused";
        if (err == EHOSTUNREACH || err == ENETUNREACH) return "host unreachable";
        if (err == ETIMEDOUT) return "no answer from the broker";
        if (err == EPROTO && tls_untrusted) return "TLS: certificate not trusted";
        return err != 0 ? std::string(strerror(err)) : "connection lost";
    default: return mosquitto_strerror(rc);
    }
}

void OnConnect(mosquitto *, void *data, int rc) { static_cast<Shared *>(data)->connack = rc; }

void OnPublish(mosquitto *, void *data, int mid) {
    Shared *s = static_cast<Shared *>(data);
    // offline_mid is written under the lock before the publish can be acknowledged.
    std::lock_guard<std::mutex> hold(s->lock);
    if (mid == s->offline_mid) s->offline_acked = true;
}

// OpenSSL's verdict reaches us only as a log line.
void OnLog(mosquitto *, void *data, int, const char *line) {
    if (line != nullptr && strstr(line, "certificate verify failed") != nullptr)
        static_cast<Shared *>(data)->tls_untrusted = true;
}

// Settings into a new client. nullptr when libmosquitto refuses them (words say why).
mosquitto *MakeClient(const MqttSettings *s, const char *client_id, const char *will_topic,
                      void *data, std::string *words) {
    InitLibraryOnce();
    mosquitto *mosq = mosquitto_new(client_id, true, data);
    if (mosq == nullptr) {
        *words = "cannot make the client";
        return nullptr;
    }
    mosquitto_connect_callback_set(mosq, OnConnect);
    mosquitto_log_callback_set(mosq, OnLog);
    if (s->user[0] != '\0' &&
        mosquitto_username_pw_set(mosq, s->user, s->password[0] != '\0' ? s->password : nullptr) !=
            MOSQ_ERR_SUCCESS) {
        *words = "user name not accepted";
        mosquitto_destroy(mosq);
        return nullptr;
    }
    if (will_topic != nullptr &&
        mosquitto_will_set(mosq, will_topic, static_cast<int>(strlen(kOffline)), kOffline,
                           kQosReliable, true) != MOSQ_ERR_SUCCESS) {
        *words = "status topic not accepted";
        mosquitto_destroy(mosq);
        return nullptr;
    }
    if (s->tls) {
        int rc = MOSQ_ERR_SUCCESS;
        if (s->ca_file[0] != '\0')
            rc = mosquitto_tls_set(mosq, s->ca_file, nullptr, nullptr, nullptr, nullptr);
        else
            rc = mosquitto_int_option(mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        // Certificate and host name are checked unless the file says tls_insecure.
        if (rc == MOSQ_ERR_SUCCESS && s->tls_insecure) {
            rc = mosquitto_tls_opts_set(mosq, 0, nullptr, nullptr);
            if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_tls_insecure_set(mosq, true);
        }
        if (rc != MOSQ_ERR_SUCCESS) {
            *words = std::string("TLS: ") + (s->ca_file[0] != '\0' ? "CA file not usable"
                                                                   : "no system CAs");
            mosquitto_destroy(mosq);
            return nullptr;
        }
    }
    return mosq;
}

void Publish(Shared *s, const MqttMessage &m, int qos, bool retain, int *mid = nullptr) {
    // A refused message (too long, the socket just went) is not retried: live values come
    // again, announcements go out again on the next connection.
    (void)mosquitto_publish(s->mosq, mid, m.topic.c_str(), static_cast<int>(m.payload.size()),
                            m.payload.data(), qos, retain);
}

// Under the lock, connected: everything waiting, in the order a reader expects it.
void SendWaiting(Shared *s) {
    for (const MqttMessage &m : s->retained_once) Publish(s, m, kQosReliable, true);
    s->retained_once.clear();
    for (auto &[topic, payload] : s->live) {
        Publish(s, {topic, payload}, kQosLive, false);
        s->live_sent[topic] = payload;
    }
    s->live.clear();
    while (!s->archive.empty()) {
        Publish(s, s->archive.front(), kQosReliable, false);
        s->archive.pop_front();
    }
}

void AnnounceAll(Shared *s) {
    Publish(s, {s->status_topic, s->available ? kOnline : kOffline}, kQosReliable, true);
    for (const MqttMessage &m : s->announcements) Publish(s, m, kQosReliable, true);
    // The newest values again: a broker that restarted has none.
    for (auto &[topic, payload] : s->live_sent)
        if (s->live.count(topic) == 0) s->live[topic] = payload;
    SendWaiting(s);
}

void SetState(Shared *s, int state, const std::string &words) {
    std::lock_guard<std::mutex> hold(s->lock);
    s->state = state;
    s->words = words;
    if (state != MQTT_CONNECTED) s->connected = false;
}

// Serves one connection until it fails or the thread is told to stop. The reason in
// words, empty after a stop.
std::string ServeConnection(Shared *s) {
    const Clock::time_point began = Clock::now();
    s->connack = -1;
    s->tls_untrusted = false;
    for (;;) {
        // Connected, the loop wakes for traffic, keep-alive and a publication of ours (the
        // library wakes it); only an attempt needs the clock looked at every second.
        bool up = false;
        {
            std::lock_guard<std::mutex> hold(s->lock);
            up = s->connected;
        }
        const int rc = mosquitto_loop(s->mosq, up ? 5000 : 1000, 1);
        const int err = errno;
        bool stopping = false;
        {
            std::lock_guard<std::mutex> hold(s->lock);
            stopping = s->stopping;
            if (s->connack == 0 && !s->connected) {
                s->connected = true;
                s->state = MQTT_CONNECTED;
                s->words = std::string("connected to ") + s->settings.host;
                AnnounceAll(s);
            }
        }
        if (stopping) return "";
        if (s->connack > 0) return ConnackWords(s->connack);
        if (rc != MOSQ_ERR_SUCCESS) return ErrorWords(rc, err, s->tls_untrusted);
        if (s->connack < 0 && Clock::now() - began > std::chrono::seconds(kMqttConnectSeconds))
            return "no answer from the broker";
    }
}

// The orderly end of a connection: "offline" acknowledged (or a second gone), then DISCONNECT,
// which tells the broker not to send the last will.
void EndConnection(Shared *s) {
    {
        std::lock_guard<std::mutex> hold(s->lock);
        if (!s->connected) return;
        if (s->offline_mid < 0)
            Publish(s, {s->status_topic, kOffline}, kQosReliable, true, &s->offline_mid);
    }
    const Clock::time_point until = Clock::now() + std::chrono::seconds(2);
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(s->lock);
            if (s->offline_acked) break;
        }
        if (Clock::now() > until || mosquitto_loop(s->mosq, 100, 1) != MOSQ_ERR_SUCCESS) break;
    }
    {
        std::lock_guard<std::mutex> hold(s->lock);
        s->connected = false;
    }
    mosquitto_disconnect(s->mosq);
    // Until the DISCONNECT is written and the library closes the socket.
    for (int i = 0; i < 10 && mosquitto_loop(s->mosq, 100, 1) == MOSQ_ERR_SUCCESS; ++i) {}
}

bool WaitBackoff(Shared *s, int seconds) {
    std::unique_lock<std::mutex> hold(s->lock);
    return !s->wake.wait_for(hold, std::chrono::seconds(seconds), [s] { return s->stopping; });
}

void RunNetwork(std::shared_ptr<Shared> s) {
    int backoff = 1;
    bool first = true;
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(s->lock);
            if (s->stopping) break;
        }
        const int rc = first ? mosquitto_connect_async(s->mosq, s->settings.host, s->settings.port,
                                                       kKeepAliveSeconds)
                             : mosquitto_reconnect_async(s->mosq);
        const int err = errno;
        first = false;
        std::string reason;
        if (rc != MOSQ_ERR_SUCCESS) {
            reason = ErrorWords(rc, err, false);
        } else {
            reason = ServeConnection(s.get());
            if (reason.empty()) break;  // told to stop
            if (s->connack == 0) backoff = 1;  // it worked for a while: start afresh
        }
        SetState(s.get(), MQTT_RETRYING, "retrying, " + reason);
        if (!WaitBackoff(s.get(), backoff)) break;
        backoff = backoff * 2 > kMqttMaxBackoffSeconds ? kMqttMaxBackoffSeconds : backoff * 2;
    }
    EndConnection(s.get());
    mosquitto_destroy(s->mosq);
    s->mosq = nullptr;
    std::lock_guard<std::mutex> hold(s->lock);
    s->finished = true;
    s->state = MQTT_OFF;
    s->words.clear();
    s->wake.notify_all();
}

std::shared_ptr<Shared> Current() {
    std::lock_guard<std::mutex> hold(client_lock);
    return client;
}

}  // namespace

int MqttClientStart(const MqttSettings *settings, const char *client_id,
                    const char *status_topic) {
    MqttClientStop(3.0);
    {
        std::lock_guard<std::mutex> hold(client_lock);
        not_started.clear();
    }
    if (settings == nullptr || !settings->enabled || settings->host[0] == '\0') return -1;
    auto s = std::make_shared<Shared>();
    s->settings = *settings;
    s->client_id = client_id;
    s->status_topic = status_topic;
    s->words = std::string("connecting to ") + settings->host;
    std::string words;
    s->mosq = MakeClient(settings, client_id, status_topic, s.get(), &words);
    if (s->mosq == nullptr) {
        std::lock_guard<std::mutex> hold(client_lock);
        not_started = "not started, " + words;
        return -2;
    }
    mosquitto_publish_callback_set(s->mosq, OnPublish);
    mosquitto_threaded_set(s->mosq, true);
    std::lock_guard<std::mutex> hold(client_lock);
    not_started.clear();
    client = s;
    network = std::thread(RunNetwork, s);
    return 0;
}

void MqttClientStop(double patience) {
    std::shared_ptr<Shared> s;
    std::thread thread;
    {
        std::lock_guard<std::mutex> hold(client_lock);
        s = client;
        client.reset();
        not_started.clear();
        thread = std::move(network);
    }
    if (s == nullptr || !thread.joinable()) return;
    {
        std::unique_lock<std::mutex> hold(s->lock);
        s->stopping = true;
        // Also wakes the network thread out of its wait on the socket.
        if (s->connected)
            Publish(s.get(), {s->status_topic, kOffline}, kQosReliable, true, &s->offline_mid);
        s->wake.notify_all();
        s->wake.wait_for(hold, std::chrono::duration<double>(patience), [&] { return s->finished; });
        if (!s->finished) {
            // Stuck in a name look-up: it ends by itself and frees what it holds.
            hold.unlock();
            thread.detach();
            return;
        }
    }
    thread.join();
}

void MqttClientSetAnnouncements(const std::vector<MqttMessage> &messages) {
    std::shared_ptr<Shared> s = Current();
    if (s == nullptr) return;
    std::lock_guard<std::mutex> hold(s->lock);
    s->announcements = messages;
    if (s->connected)
        for (const MqttMessage &m : messages) Publish(s.get(), m, kQosReliable, true);
}

void MqttClientSendRetainedOnce(const std::string &topic, const std::string &payload) {
    std::shared_ptr<Shared> s = Current();
    if (s == nullptr) return;
    std::lock_guard<std::mutex> hold(s->lock);
    s->retained_once.push_back({topic, payload});
    if (s->connected) SendWaiting(s.get());
}

void MqttClientSetLive(const std::string &topic, const std::string &payload) {
    std::shared_ptr<Shared> s = Current();
    if (s == nullptr) return;
    std::lock_guard<std::mutex> hold(s->lock);
    s->live[topic] = payload;
    if (s->connected) SendWaiting(s.get());
}

void MqttClientQueueArchive(const std::string &topic, const std::string &payload) {
    std::shared_ptr<Shared> s = Current();
    if (s == nullptr) return;
    std::lock_guard<std::mutex> hold(s->lock);
    s->archive.push_back({topic, payload});
    while (s->archive.size() > static_cast<size_t>(kMqttArchiveQueue)) {
        s->archive.pop_front();
        ++s->dropped;
    }
    if (s->connected) SendWaiting(s.get());
}

void MqttClientSetAvailable(bool online) {
    std::shared_ptr<Shared> s = Current();
    if (s == nullptr) return;
    std::lock_guard<std::mutex> hold(s->lock);
    if (s->available == online) return;
    s->available = online;
    if (s->connected)
        Publish(s.get(), {s->status_topic, online ? kOnline : kOffline}, kQosReliable, true);
}

int MqttClientState(std::string *words) {
    std::shared_ptr<Shared> s;
    {
        std::lock_guard<std::mutex> hold(client_lock);
        s = client;
        if (s == nullptr) {
            if (words != nullptr) *words = not_started;
            return not_started.empty() ? MQTT_OFF : MQTT_RETRYING;
        }
    }
    std::lock_guard<std::mutex> hold(s->lock);
    if (words != nullptr) *words = s->words;
    return s->state;
}

void MqttClientArchiveCounts(uint64_t *dropped, int *waiting) {
    *dropped = 0;
    *waiting = 0;
    std::shared_ptr<Shared> s = Current();
    if (s == nullptr) return;
    std::lock_guard<std::mutex> hold(s->lock);
    *dropped = s->dropped;
    *waiting = static_cast<int>(s->archive.size());
}

int MqttTestConnection(const MqttSettings *settings, double seconds, std::string *words) {
    if (settings->host[0] == '\0') {
        *words = "no host given";
        return -1;
    }
    Shared s;
    s.settings = *settings;
    char id[160];
    snprintf(id, sizeof id, "clearhorizon-test-%d", static_cast<int>(getpid()));
    s.mosq = MakeClient(settings, id, nullptr, &s, words);
    if (s.mosq == nullptr) return -1;
    int rc = mosquitto_connect_async(s.mosq, settings->host, settings->port, kKeepAliveSeconds);
    int err = errno;
    const Clock::time_point until =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (rc == MOSQ_ERR_SUCCESS && s.connack < 0 && Clock::now() < until) {
        rc = mosquitto_loop(s.mosq, 100, 1);
        err = errno;
    }
    int result = -1;
    if (s.connack == 0) {
        *words = "connected";
        result = 0;
        mosquitto_disconnect(s.mosq);
        (void)mosquitto_loop(s.mosq, 100, 1);
    } else if (s.connack > 0) {
        *words = ConnackWords(s.connack);
    } else if (rc != MOSQ_ERR_SUCCESS) {
        *words = ErrorWords(rc, err, s.tls_untrusted);
    } else {
        *words = "no answer from the broker";
    }
    mosquitto_destroy(s.mosq);
    return result;
}
