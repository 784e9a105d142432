// From the UI record of a group read to the message at a subscriber on the same machine,
// through the publisher, libmosquitto and a real mosquitto broker on 127.0.0.1: median
// and 99th percentile over 1,000 messages against the budget of 20 ms. Then the network
// thread's cost while connected and idle, and per message, as the added share of one
// core for an hour of steady polling (a state message every 10 s).
#ifdef CH_HAVE_TEST_SUPPORT
#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

#include "exchange/mqtt_publisher.h"
#include "exchange/mqtt_settings.h"
#include "records/ui_data.h"
#include "records/ui_listeners.h"
#include "support/mqtt_broker.h"
#include "support/program_process.h"
#include "support/temp_folder.h"
#include "windows/dispatcher.h"

namespace {

constexpr int kMessages = 1000;
constexpr double kBudgetMs = 20.0;
constexpr double kIdleSeconds = 10.0;
constexpr double kPollSeconds = 10.0;

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

size_t StateMessages(TestSubscriber *s) {
    return PayloadsOf(ReceivedSoFar(s), "clearhorizon/2/state").size();
}

}  // namespace

int main() {
    TempFolder folder;
    TestBroker broker;
    if (!StartTestBroker(folder.path(), {}, &broker)) {
        printf("mqtt: no broker (%s)\n", ReadWholeFile(broker.log).c_str());
        return 1;
    }
    TestSubscriber subscriber;
    StartTestSubscriber(broker.port, &subscriber);
    WriteWholeFile(folder.file(kMqttSettingsFile),
                   "[mqtt]\nenabled=true\nhost=127.0.0.1\ndiscovery=false\nport=" +
                       std::to_string(broker.port) + "\n");
    SetKORDataToDefault(&UI_data);
    ForgetUIRecordListeners();
    RegisterMqttPublisherListeners();
    SetMqttGroupMinSeconds(0.0);  // every record, not one a second
    if (StartMqttPublisher(folder.file(kMqttSettingsFile).c_str(), 2) != 0) return 1;
    while (MqttStateLine().find("connected") == std::string::npos)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    std::vector<double> ms;
    UIRecord record{};
    record.kind = UI_OUTDOOR_TEMP;
    TempGroup group{};
    const double cpu_before = ProcessCpuSeconds();
    for (int i = 0; i < kMessages; ++i) {
        group.current = 10.0f + 0.1f * static_cast<float>(i % 200);  // always a change
        memcpy(record.payload, &group, sizeof group);
        const size_t before = StateMessages(&subscriber);
        const double start = NowSeconds();
        DispatchUIRecord(&record);
        while (StateMessages(&subscriber) == before) std::this_thread::sleep_for(std::chrono::microseconds(50));
        ms.push_back((NowSeconds() - start) * 1000.0);
    }
    const double cpu_per_message = (ProcessCpuSeconds() - cpu_before) / kMessages;
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    const double p99 = ms[ms.size() * 99 / 100];
    printf("mqtt: UI record to subscriber over %d messages: median %.2f ms, p99 %.2f ms "
           "(%.3f and %.3f of the 20 ms budget)\n",
           kMessages, median, p99, median / kBudgetMs, p99 / kBudgetMs);

    // Idle: only the network thread runs (the subscriber is gone, this thread sleeps).
    StopTestSubscriber(&subscriber);
    const double idle_before = ProcessCpuSeconds();
    std::this_thread::sleep_for(std::chrono::duration<double>(kIdleSeconds));
    const double idle_share = (ProcessCpuSeconds() - idle_before) / kIdleSeconds;
    const double hour_share = idle_share + cpu_per_message / kPollSeconds;
    printf("mqtt: connected and idle %.5f of a core; %.3f ms CPU per message (publisher, "
           "client and subscriber); steady polling adds %.5f of a core (budget 0.005: %.2f)\n",
           idle_share, cpu_per_message * 1000.0, hour_share, hour_share / 0.005);
    StopMqttPublisher();
    StopTestBroker(&broker);
    return 0;
}
#else
#include <cstdio>
int main() {
    printf("mqtt: needs the test support (CH_TESTS=ON)\n");
    return 0;
}
#endif
