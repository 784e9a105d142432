// The publisher against a real mosquitto broker that each test starts on 127.0.0.1: the
// program as a process with the simulator, as a user runs it, and a subscriber that sees
// what Home Assistant would see. Every wait is for a condition, with room to spare.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "exchange/mqtt_client.h"
#include "exchange/mqtt_payloads.h"
#include "exchange/mqtt_publisher.h"
#include "exchange/mqtt_settings.h"
#include "platform/json_text.h"
#include "records/setup_record.h"
#include "sim/stationsim.h"
#include "support/history_ledger.h"
#include "support/mqtt_broker.h"
#include "support/program_process.h"
#include "support/temp_folder.h"

namespace {

constexpr double kPatience = 120.0;  // a bound for a hang, not a measure of speed

struct Json {
    JsonObject o;
    explicit Json(const std::string &text) : o(Json_Parse(text)) {}
    ~Json() { Json_Dispose(o); }
};

SimOptions Console() {
    SimOptions o;
    o.variant = 2;
    o.seed = 5;
    o.tz_offset_s = 0;
    o.tz_given = true;
    o.hist_interval_min = 1;  // the program looks for new data sets every minute
    o.prefill = 3;
    o.radio_interval_s = 0;
    o.pace_real = false;
    return o;
}

// The display in °F, km/h and inHg: the wire must still say °C, m/s and hPa.
void WriteFolder(const TempFolder &folder, int port, const std::string &extra_ini) {
    SetupRecord r;
    memset(&r, 0, sizeof r);
    SetSetupToDefault(&r);
    snprintf(r.history_file, sizeof r.history_file, "%s", folder.file("history.dat").c_str());
    r.com_port = 1;
    r.units = UnitsRecord{1, 1, 1, 0, 1};
    WriteWholeFile(folder.file("Setup.cnf"), std::string(reinterpret_cast<const char *>(&r), sizeof r));
    WriteWholeFile(folder.file(kMqttSettingsFile),
                   "[mqtt]\nenabled=true\nhost=127.0.0.1\nport=" + std::to_string(port) + "\n" +
                       extra_ini);
}

std::string Last(const std::vector<ReceivedMessage> &all, const std::string &topic) {
    const std::vector<std::string> p = PayloadsOf(all, topic);
    return p.empty() ? "" : p.back();
}

// The archive messages' times, in the order they came.
std::vector<std::string> ArchiveTimes(const std::vector<ReceivedMessage> &all) {
    std::vector<std::string> times;
    for (const std::string &p : PayloadsOf(all, "clearhorizon/2/archive")) {
        Json a(p);
        times.push_back(Json_GetString(a.o, "time"));
    }
    return times;
}

bool WaitForOutput(const ProgramProcess &p, const std::string &text, double seconds) {
    const double until = NowSeconds() + seconds;
    while (ProgramErrorOutput(p).find(text) == std::string::npos) {
        if (NowSeconds() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

// Until the program's history file holds the data set of that time.
bool WaitForFileToHold(const std::string &path, const std::string &iso_time) {
    const double until = NowSeconds() + kPatience;
    for (;;) {
        const HistoryFileImage image = ReadHistoryImage(path);
        if (image.valid && !image.records.empty() && IsoUtc(image.records.back().time) >= iso_time)
            return true;
        if (NowSeconds() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

struct Station {
    TempFolder folder;
    TestBroker broker;
    TestSubscriber subscriber;
    StationSim *sim = nullptr;
    ProgramProcess program;

    ~Station() {
        KillProgram(&program);
        StopTestSubscriber(&subscriber);
        StopTestBroker(&broker);
        StopStationSim(sim);
    }
    // Broker, subscriber, console and program; false (with a failure added) when any fails.
    bool Start(const BrokerOptions &options = {}, const std::string &extra_ini = "") {
        std::string error;
        sim = StartStationSim(Console(), folder.file("COM1").c_str(), &error);
        EXPECT_NE(sim, nullptr) << error;
        EXPECT_TRUE(StartTestBroker(folder.path(), options, &broker)) << ReadWholeFile(broker.log);
        if (sim == nullptr || broker.pid <= 0) return false;
        if (options.user.empty()) {
            EXPECT_TRUE(StartTestSubscriber(broker.port, &subscriber, options.persistent));
        }
        WriteFolder(folder, broker.port, extra_ini);
        EXPECT_TRUE(StartProgram(folder.path(), &program));
        return program.pid > 0;
    }
    bool Online(double seconds) {
        return WaitForMessages(&subscriber, [](const auto &all) {
            return Last(all, "clearhorizon/2/status") == "online";
        }, seconds);
    }
    // Stores a data set on the console (on its thread, a moment later); its time as the
    // archive must say it.
    std::string StoreDataSet() {
        SimState state;
        StationSimGetState(sim, &state);
        const int64_t before = state.hist_last_time;
        StationSimStoreDataSet(sim, 0);
        const double until = NowSeconds() + 30.0;
        while (state.hist_last_time == before && NowSeconds() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            StationSimGetState(sim, &state);
        }
        return IsoUtc(state.hist_last_time);
    }
};

TEST(MqttSettings, FileIsReadOverDefaultsAndWrittenForTheOwnerAlone) {
    TempFolder folder;
    MqttSettings s;
    EXPECT_EQ(LoadMqttSettings(folder.file("none.ini").c_str(), &s), -1);
    EXPECT_FALSE(s.enabled);
    WriteWholeFile(folder.file("a.ini"), "[other]\nx=1\n[mqtt]\nenabled=yes\nhost=broker.local\n"
                                         "tls=true\nport=99999\nbase_topic=weather/#\n");
    ASSERT_EQ(LoadMqttSettings(folder.file("a.ini").c_str(), &s), 0);
    EXPECT_TRUE(s.enabled);
    EXPECT_STREQ(s.host, "broker.local");
    EXPECT_EQ(s.port, kMqttDefaultTlsPort);  // an impossible port leaves the default
    EXPECT_STREQ(s.discovery_prefix, "homeassistant");
    EXPECT_TRUE(s.discovery);
    char base[64];
    MqttBaseTopic(&s, 2, base, sizeof base);
    EXPECT_STREQ(base, "clearhorizon/2");  // a wildcard cannot be published to
    snprintf(s.password, sizeof s.password, "%s", "s3cret");
    snprintf(s.base_topic, sizeof s.base_topic, "%s", "home/weather/");
    ASSERT_EQ(SaveMqttSettings(folder.file("a.ini").c_str(), &s), 0);
    struct stat st {};
    ASSERT_EQ(stat(folder.file("a.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    MqttSettings back;
    ASSERT_EQ(LoadMqttSettings(folder.file("a.ini").c_str(), &back), 0);
    EXPECT_STREQ(back.password, "s3cret");
    EXPECT_NE(ReadWholeFile(folder.file("a.ini")).find("[other]"), std::string::npos);
    MqttBaseTopic(&back, 2, base, sizeof base);
    EXPECT_STREQ(base, "home/weather");
}

TEST(MqttBroker, DiscoveryStateInSiArchiveAndTheLastWill) {
    Station st;
    ASSERT_TRUE(st.Start());
    ASSERT_TRUE(st.Online(kPatience)) << ProgramErrorOutput(st.program);

    // Every config parses, with the keys Home Assistant needs and one device.
    const std::string prefix = "homeassistant/sensor/clearhorizon_2/";
    ASSERT_TRUE(WaitForMessages(&st.subscriber, [&](const auto &all) {
        return !Last(all, prefix + "rain_total/config").empty() &&
               !Last(all, "homeassistant/binary_sensor/clearhorizon_2/alarm_storm/config").empty();
    }, kPatience));
    const auto all = ReceivedSoFar(&st.subscriber);
    int configs = 0;
    for (const ReceivedMessage &m : all) {
        if (m.topic.rfind("homeassistant/", 0) != 0) continue;
        ++configs;
        Json c(m.payload);
        ASSERT_NE(c.o, nullptr) << m.topic;
        for (const char *key : {"unique_id", "name", "state_topic", "value_template",
                                "availability_topic", "expire_after", "device"})
            EXPECT_TRUE(Json_Has(c.o, key)) << m.topic << " lacks " << key;
        JsonObject device = Json_GetObject(c.o, "device");
        for (const char *key : {"name", "model", "sw_version", "identifiers"})
            EXPECT_TRUE(Json_Has(device, key)) << m.topic << " device lacks " << key;
        Json_Dispose(device);
    }
    EXPECT_GE(configs, 13 + 21);
    Json rain(Last(all, prefix + "rain_total/config"));
    EXPECT_EQ(Json_GetString(rain.o, "state_class"), "total_increasing");
    EXPECT_EQ(Json_GetString(rain.o, "device_class"), "precipitation");
    Json outdoor(Last(all, prefix + "outdoor_temperature/config"));
    EXPECT_EQ(Json_GetString(outdoor.o, "unit_of_measurement"), "\u00B0C");
    EXPECT_EQ(Json_GetString(outdoor.o, "state_topic"), "clearhorizon/2/state");

    // The reading in °C and hPa although the display shows °F and inHg.
    std::string state;
    ASSERT_TRUE(WaitForMessages(&st.subscriber, [&](const auto &got) {
        state = Last(got, "clearhorizon/2/state");
        Json s(state);
        return s.o != nullptr && !Json_IsNull(s.o, "outdoor_temperature") &&
               !Json_IsNull(s.o, "pressure") && Json_Has(s.o, "pressure");
    }, kPatience)) << state;
    SimState sim;
    StationSimGetState(st.sim, &sim);
    Json s(state);
    EXPECT_NEAR(Json_GetNumber(s.o, "outdoor_temperature"), sim.otemp.current, 1.0) << state;
    EXPECT_NEAR(Json_GetNumber(s.o, "pressure"), sim.press.current + sim.rel_offset, 2.0) << state;
    for (const char *key : {"time", "indoor_temperature", "dewpoint", "windchill", "indoor_humidity",
                            "outdoor_humidity", "absolute_pressure", "wind_speed", "wind_direction",
                            "rain_1h", "rain_24h", "rain_total"})
        EXPECT_TRUE(Json_Has(s.o, key)) << key;

    // A data set the console stores reaches the archive with its own time.
    const std::string stored = st.StoreDataSet();
    EXPECT_TRUE(WaitForMessages(&st.subscriber, [&](const auto &got) {
        const auto times = ArchiveTimes(got);
        return std::find(times.begin(), times.end(), stored) != times.end();
    }, kPatience)) << stored;

    // The line's counts as diagnostic entities.
    std::string diagnostics;
    EXPECT_TRUE(WaitForMessages(&st.subscriber, [&](const auto &got) {
        diagnostics = Last(got, "clearhorizon/2/diagnostics");
        Json d(diagnostics);
        return d.o != nullptr && Json_GetNumber(d.o, "requests_total") > 0 &&
               Json_GetString(d.o, "link") == "connected" && !Json_IsNull(d.o, "newest_data_set");
    }, kPatience)) << diagnostics;
    Json line(Last(all, prefix + "retries_total/config"));
    EXPECT_EQ(Json_GetString(line.o, "entity_category"), "diagnostic");

    // Killed without a word: the broker tells the last will.
    KillProgram(&st.program);
    EXPECT_TRUE(WaitForMessages(&st.subscriber, [](const auto &got) {
        return Last(got, "clearhorizon/2/status") == "offline";
    }, kPatience));
    EXPECT_EQ(SanitizerReportIn(ProgramErrorOutput(st.program)), "");
}

TEST(MqttBroker, BrokerAwayReconnectsReannouncesAndCatchesUpInOrder) {
    Station st;
    BrokerOptions options;
    options.persistent = true;
    ASSERT_TRUE(st.Start(options));
    ASSERT_TRUE(st.Online(kPatience)) << ProgramErrorOutput(st.program);
    const std::string config = "homeassistant/sensor/clearhorizon_2/outdoor_temperature/config";
    // A first data set in the file, so that the console's next ones count as new.
    (void)st.StoreDataSet();
    ASSERT_TRUE(WaitForMessages(&st.subscriber, [&](const auto &all) {
        return !Last(all, config).empty() && !ArchiveTimes(all).empty();
    }, kPatience));

    StopTestBroker(&st.broker);
    ASSERT_TRUE(WaitForOutput(st.program, "MQTT: retrying", kPatience));
    // Stored while the broker is away, in the program's file before it comes back.
    const double stopped = NowSeconds();
    std::vector<std::string> outage;
    for (int i = 0; i < 3; ++i) outage.push_back(st.StoreDataSet());
    ASSERT_TRUE(WaitForFileToHold(st.folder.file("history.dat"), outage.back()));
    while (NowSeconds() < stopped + 20.0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const size_t before = ReceivedSoFar(&st.subscriber).size();
    ASSERT_TRUE(RestartTestBroker(&st.broker)) << ReadWholeFile(st.broker.log);

    // The subscriber's session lasts: a retained config reaches it again only when sent anew.
    EXPECT_TRUE(WaitForMessages(&st.subscriber, [&](const auto &all) {
        const std::vector<ReceivedMessage> after(all.begin() + static_cast<long>(before), all.end());
        const auto times = ArchiveTimes(after);
        bool announced = false;  // sent anew, not the broker's kept copy on subscribing
        for (const ReceivedMessage &m : after) announced |= m.topic == config && !m.retained;
        return announced && Last(after, "clearhorizon/2/status") == "online" &&
               times.size() >= outage.size();
    }, kPatience)) << ProgramErrorOutput(st.program);
    const auto all = ReceivedSoFar(&st.subscriber);
    const auto times = ArchiveTimes(std::vector<ReceivedMessage>(all.begin() + static_cast<long>(before), all.end()));
    size_t at = 0;
    for (const std::string &t : times)
        if (at < outage.size() && t == outage[at]) ++at;
    std::string seen;
    for (const std::string &t : times) seen += t + " ";
    for (size_t i = before; i < all.size(); ++i)
        if (all[i].topic.find("config") == std::string::npos)
            seen += "\n" + all[i].topic + " " + all[i].payload.substr(0, 40);
    EXPECT_EQ(at, outage.size()) << "the outage's data sets, in order: " << outage[0] << " "
                                 << outage.back() << "; came " << seen;
    EXPECT_TRUE(WaitForOutput(st.program, "MQTT: connected to 127.0.0.1", 1.0));

    // An orderly quit says offline itself (a clean disconnect suppresses the will).
    EXPECT_GE(QuitProgram(&st.program, 60.0), 0.0);
    EXPECT_EQ(Last(ReceivedSoFar(&st.subscriber), "clearhorizon/2/status"), "offline");
    EXPECT_EQ(ProgramExitCode(st.program), 0);
    EXPECT_EQ(SanitizerReportIn(ProgramErrorOutput(st.program)), "");
}

TEST(MqttBroker, WrongPasswordIsNotAuthorised) {
    Station st;
    const BrokerOptions options{"station", "right", "", "", ""};
    ASSERT_TRUE(st.Start(options, "user=station\npassword=wrong\n"));
    EXPECT_TRUE(WaitForOutput(st.program, "MQTT: retrying, refused: not authorised", kPatience))
        << ProgramErrorOutput(st.program);
    EXPECT_EQ(ProgramErrorOutput(st.program).find("wrong"), std::string::npos)
        << "the password is never written out";

    MqttSettings s;
    SetMqttSettingsToDefault(&s);
    snprintf(s.host, sizeof s.host, "%s", "127.0.0.1");
    s.port = st.broker.port;
    snprintf(s.user, sizeof s.user, "%s", "station");
    snprintf(s.password, sizeof s.password, "%s", "right");
    std::string words;
    EXPECT_EQ(MqttTestConnection(&s, 30.0, &words), 0);
    EXPECT_EQ(words, "connected");
    snprintf(s.password, sizeof s.password, "%s", "wrong");
    EXPECT_EQ(MqttTestConnection(&s, 30.0, &words), -1);
    EXPECT_EQ(words, "refused: not authorised");
}

// The broker's certificate is checked against the CA the user names, and its host
// name; without that CA it is not trusted, unless the file switches the checks off.
TEST(MqttBroker, TlsWithATestCa) {
    TempFolder folder;
    ASSERT_TRUE(MakeTestCertificates(folder.path())) << ReadWholeFile(folder.file("openssl.log"));
    TestBroker broker;
    BrokerOptions options;
    options.ca_file = folder.file("ca.crt");
    options.cert_file = folder.file("server.crt");
    options.key_file = folder.file("server.key");
    ASSERT_TRUE(StartTestBroker(folder.path(), options, &broker)) << ReadWholeFile(broker.log);
    MqttSettings s;
    SetMqttSettingsToDefault(&s);
    snprintf(s.host, sizeof s.host, "%s", "localhost");
    s.port = broker.port;
    s.tls = true;
    std::string words;
    EXPECT_EQ(MqttTestConnection(&s, 30.0, &words), -1);  // the system's CAs do not know it
    EXPECT_EQ(words, "TLS: certificate not trusted");
    snprintf(s.ca_file, sizeof s.ca_file, "%s", options.ca_file.c_str());
    EXPECT_EQ(MqttTestConnection(&s, 30.0, &words), 0) << words;
    EXPECT_EQ(words, "connected");
    s.ca_file[0] = '\0';
    s.tls_insecure = true;
    EXPECT_EQ(MqttTestConnection(&s, 30.0, &words), 0) << words;
    // A CA file that is not there: said so, not started.
    snprintf(s.ca_file, sizeof s.ca_file, "%s", folder.file("missing.crt").c_str());
    s.enabled = true;
    EXPECT_EQ(MqttClientStart(&s, "test-client", "t/status"), -2);
    EXPECT_EQ(MqttClientState(&words), MQTT_RETRYING);
    EXPECT_EQ(words, "not started, TLS: CA file not usable");
    MqttClientStop(1.0);
    EXPECT_EQ(MqttClientState(&words), MQTT_OFF);
    StopTestBroker(&broker);
}

// Switched off in the file, discovery takes back what an earlier run announced: an
// empty retained message on every config topic. Run in-process, as the settings
// dialog's OK does it.
TEST(MqttBroker, DiscoverySwitchedOffRemovesTheConfigs) {
    TempFolder folder;
    TestBroker broker;
    ASSERT_TRUE(StartTestBroker(folder.path(), {}, &broker)) << ReadWholeFile(broker.log);
    TestSubscriber subscriber;
    ASSERT_TRUE(StartTestSubscriber(broker.port, &subscriber));
    const std::string ini = "[mqtt]\nenabled=true\nhost=127.0.0.1\nport=" + std::to_string(broker.port);
    const std::string config = "homeassistant/binary_sensor/clearhorizon_2/alarm_storm/config";
    WriteWholeFile(folder.file(kMqttSettingsFile), ini + "\n");
    ASSERT_EQ(StartMqttPublisher(folder.file(kMqttSettingsFile).c_str(), 2), 0);
    EXPECT_TRUE(WaitForMessages(&subscriber, [&](const auto &all) { return !Last(all, config).empty(); },
                                kPatience));
    WriteWholeFile(folder.file(kMqttSettingsFile), ini + "\ndiscovery=false\n");
    ASSERT_EQ(StartMqttPublisher(folder.file(kMqttSettingsFile).c_str(), 2), 0);
    EXPECT_TRUE(WaitForMessages(&subscriber, [&](const auto &all) {
        return PayloadsOf(all, config).size() >= 2 && Last(all, config).empty();
    }, kPatience));
    StopMqttPublisher();
    EXPECT_EQ(Last(ReceivedSoFar(&subscriber), "clearhorizon/2/status"), "offline");
    StopTestSubscriber(&subscriber);
    StopTestBroker(&broker);
}

}  // namespace
