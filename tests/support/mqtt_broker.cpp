#include "support/mqtt_broker.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "support/program_process.h"
#include "support/temp_folder.h"

extern char **environ;

namespace {

int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr *>(&a), &size) == 0)
        port = ntohs(a.sin_port);
    close(fd);
    return port;
}

bool TakesConnections(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
    close(fd);
    return ok;
}

bool Spawn(const std::vector<std::string> &args, const std::string &output, pid_t *pid) {
    std::vector<char *> argv;
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    const int error = posix_spawn(pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0;
}

bool RunToEnd(const std::vector<std::string> &args, const std::string &output) {
    pid_t pid = -1;
    if (!Spawn(args, output, &pid)) return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool Launch(TestBroker *b) {
    if (!Spawn({"/usr/sbin/mosquitto", "-c", b->config}, b->log, &b->pid)) return false;
    const double until = NowSeconds() + 30.0;
    while (NowSeconds() < until) {
        if (TakesConnections(b->port)) return true;
        int status = 0;
        if (waitpid(b->pid, &status, WNOHANG) == b->pid) {
            b->pid = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void OnMessage(mosquitto *, void *data, const mosquitto_message *m) {
    TestSubscriber *s = static_cast<TestSubscriber *>(data);
    std::lock_guard<std::mutex> hold(s->lock);
    s->messages.push_back({m->topic, std::string(static_cast<const char *>(m->payload),
                                                 static_cast<size_t>(m->payloadlen)),
                           m->retain});
}

void OnConnect(mosquitto *mosq, void *, int rc) {
    if (rc == 0) mosquitto_subscribe(mosq, nullptr, "#", 1);
}

}  // namespace

bool RunTestTool(const std::vector<std::string> &args, const std::string &output) {
    return RunToEnd(args, output);
}

bool MakeTestCertificates(const std::string &folder) {
    const std::string log = folder + "/openssl.log";
    const std::string ssl = "/usr/bin/openssl";
    WriteWholeFile(folder + "/server.ext", "subjectAltName=DNS:localhost,IP:127.0.0.1\n");
    return RunToEnd({ssl, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                     "-subj", "/CN=Clear Horizon test CA", "-keyout", folder + "/ca.key",
                     "-out", folder + "/ca.crt"}, log) &&
           RunToEnd({ssl, "req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=localhost",
                     "-keyout", folder + "/server.key", "-out", folder + "/server.csr"}, log) &&
           RunToEnd({ssl, "x509", "-req", "-days", "2", "-in", folder + "/server.csr",
                     "-CA", folder + "/ca.crt", "-CAkey", folder + "/ca.key", "-CAcreateserial",
                     "-extfile", folder + "/server.ext", "-out", folder + "/server.crt"}, log);
}

bool StartTestBroker(const std::string &folder, const BrokerOptions &o, TestBroker *b) {
    b->config = folder + "/mosquitto.conf";
    b->log = folder + "/mosquitto.log";
    std::string conf;
    for (int attempt = 0; attempt < 5; ++attempt) {
        b->port = FreePort();
        // Started as root the broker would become the user "mosquitto", who may not read
        // the test's folder.
        const passwd *me = getpwuid(getuid());
        conf = "user " + std::string(me != nullptr ? me->pw_name : "root") + "\nlistener " +
               std::to_string(b->port) + " 127.0.0.1\n";
        conf += o.persistent ? "persistence true\npersistence_location " + folder + "/\n"
                             : "persistence false\n";
        if (!o.cert_file.empty())
            conf += "cafile " + o.ca_file + "\ncertfile " + o.cert_file + "\nkeyfile " + o.key_file + "\n";
        if (o.user.empty()) {
            conf += "allow_anonymous true\n";
        } else {
            const std::string passwords = folder + "/mosquitto.passwd";
            if (!RunToEnd({"/usr/bin/mosquitto_passwd", "-b", "-c", passwords, o.user, o.password},
                          b->log))
                return false;
            conf += "allow_anonymous false\npassword_file " + passwords + "\n";
        }
        WriteWholeFile(b->config, conf);
        if (Launch(b)) return true;  // else the port was taken meanwhile: another one
    }
    return false;
}

void StopTestBroker(TestBroker *b) {
    if (b->pid <= 0) return;
    kill(b->pid, SIGTERM);
    int status = 0;
    while (waitpid(b->pid, &status, 0) < 0 && errno == EINTR) {}
    b->pid = -1;
}

bool RestartTestBroker(TestBroker *b) { return Launch(b); }

bool StartTestSubscriber(int port, TestSubscriber *s, bool lasting) {
    mosquitto_lib_init();
    s->mosq = lasting ? mosquitto_new("test-subscriber", false, s) : mosquitto_new(nullptr, true, s);
    if (s->mosq == nullptr) return false;
    mosquitto_connect_callback_set(s->mosq, OnConnect);
    mosquitto_message_callback_set(s->mosq, OnMessage);
    mosquitto_reconnect_delay_set(s->mosq, 1, 1, false);
    if (mosquitto_connect(s->mosq, "127.0.0.1", port, 30) != MOSQ_ERR_SUCCESS) return false;
    return mosquitto_loop_start(s->mosq) == MOSQ_ERR_SUCCESS;
}

void StopTestSubscriber(TestSubscriber *s) {
    if (s->mosq == nullptr) return;
    mosquitto_disconnect(s->mosq);
    mosquitto_loop_stop(s->mosq, true);
    mosquitto_destroy(s->mosq);
    s->mosq = nullptr;
}

std::vector<ReceivedMessage> ReceivedSoFar(TestSubscriber *s) {
    std::lock_guard<std::mutex> hold(s->lock);
    return s->messages;
}

bool WaitForMessages(TestSubscriber *s,
                     const std::function<bool(const std::vector<ReceivedMessage> &)> &pred,
                     double seconds) {
    const double until = NowSeconds() + seconds;
    for (;;) {
        if (pred(ReceivedSoFar(s))) return true;
        if (NowSeconds() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

std::vector<std::string> PayloadsOf(const std::vector<ReceivedMessage> &messages,
                                    const std::string &topic) {
    std::vector<std::string> payloads;
    for (const ReceivedMessage &m : messages)
        if (m.topic == topic) payloads.push_back(m.payload);
    return payloads;
}
