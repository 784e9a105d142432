// The resource file is read as XML rather than handed whole to Qt's loader: one file
// holds every panel, a thread other than the main thread may build no widget at all, and
// loading one panel must not build the others. One pass finds the panel with the wanted
// number, collects its timers and copies its subtree into a document of its own.
#include "platform/panel_resource.h"
#include "platform/files.h"
#include "platform/panels.h"

#include <QByteArray>
#include <QFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <cstdlib>
#include <sys/stat.h>

namespace {

bool FileExists(const std::string &path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// One element being read, with what is known of it so far.
struct Element {
    QString tag;
    int widget_depth = 0;      // widgets open, this one included when it is one
    bool timer = false;        // a CVITimer widget
    int timer_index = -1;      // into the timers found
};

// The value of the <property> being read: its first child element's text.
struct PropertyValue {
    QString type;
    QString text;
};

int ToInt(const PropertyValue &v, bool *ok) {
    return v.text.trimmed().toInt(ok);
}

bool ToBool(const PropertyValue &v) { return v.text.trimmed() == QLatin1String("true"); }

class PanelReader {
public:
    PanelReader(int resource_id, bool with_ui) : wanted_(resource_id), with_ui_(with_ui) {}

    int Read(const QByteArray &bytes, PanelSpec *out) {
        QXmlStreamReader xml(bytes);
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement()) Start(xml);
            if (copying_) Copy(xml);
            if (custom_copying_) WriteCustom(xml);
            if (xml.isEndElement()) End();
            if (xml.isCharacters() && in_value_) value_.text += xml.text();
        }
        if (xml.hasError()) return kUIErrParse;
        if (!found_) return kUIErrPanel;
        *out = std::move(result_);
        if (with_ui_) {
            const std::string header = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                       "<ui version=\"4.0\">\n";
            out->ui = header + panel_xml_.toStdString() + custom_xml_.toStdString() + "</ui>\n";
        }
        return 0;
    }

private:
    int Depth() const { return stack_.empty() ? 0 : stack_.back().widget_depth; }

    void Start(QXmlStreamReader &xml) {
        Element e;
        e.tag = xml.name().toString();
        e.widget_depth = Depth();
        if (e.tag == QLatin1String("widget")) {
            ++e.widget_depth;
            if (e.widget_depth == 2 && !found_) BeginCandidate(xml);
            if (e.widget_depth > 2 && candidate_ &&
                xml.attributes().value("class") == QLatin1String("CVITimer")) {
                e.timer = true;
                e.timer_index = static_cast<int>(candidate_spec_.timers.size());
                TimerSpec t;
                t.name = xml.attributes().value("name").toString().toStdString();
                candidate_spec_.timers.push_back(t);
            }
        }
        if (e.tag == QLatin1String("customwidgets") && stack_.size() == 1 && with_ui_)
            custom_copying_ = true;
        if (e.tag == QLatin1String("property") && !stack_.empty() &&
            stack_.back().tag == QLatin1String("widget")) {
            property_name_ = xml.attributes().value("name").toString();
            property_owner_ = stack_.size() - 1;
            value_ = PropertyValue{};
        } else if (!property_name_.isEmpty() && stack_.size() == property_owner_ + 2) {
            // The value element directly inside the property.
            value_.type = e.tag;
            in_value_ = true;
        }
        stack_.push_back(e);
    }

    void End() {
        const Element e = stack_.back();
        stack_.pop_back();
        if (e.tag == QLatin1String("customwidgets") && stack_.size() == 1) custom_copying_ = false;
        if (in_value_ && stack_.size() == property_owner_ + 2) in_value_ = false;
        if (e.tag == QLatin1String("property") && stack_.size() == property_owner_ + 1 &&
            !property_name_.isEmpty()) {
            ApplyProperty(stack_[property_owner_]);
            property_name_.clear();
        }
        if (e.tag == QLatin1String("widget") && e.widget_depth == 2 && candidate_) EndCandidate();
    }

    void BeginCandidate(QXmlStreamReader &xml) {
        candidate_ = true;
        candidate_id_set_ = false;
        candidate_spec_ = PanelSpec{};
        candidate_spec_.name = xml.attributes().value("name").toString().toStdString();
        candidate_xml_.clear();
        if (with_ui_) {
            writer_ = std::make_unique<QXmlStreamWriter>(&candidate_xml_);
            copying_ = true;
        }
    }

    void EndCandidate() {
        candidate_ = false;
        copying_ = false;
        writer_.reset();
        if (!candidate_id_set_ || candidate_id_ != wanted_) return;
        found_ = true;
        result_ = std::move(candidate_spec_);
        panel_xml_ = candidate_xml_;
    }

    void Copy(QXmlStreamReader &xml) {
        if (writer_ != nullptr) writer_->writeCurrentToken(xml);
    }

    void WriteCustom(QXmlStreamReader &xml) {
        if (custom_writer_ == nullptr) custom_writer_ = std::make_unique<QXmlStreamWriter>(&custom_xml_);
        custom_writer_->writeCurrentToken(xml);
    }

    void ApplyProperty(const Element &owner) {
        if (!candidate_) return;
        bool ok = false;
        if (owner.widget_depth == 2) {
            if (property_name_ == QLatin1String("resourceId")) {
                candidate_id_ = ToInt(value_, &ok);
                candidate_id_set_ = ok;
            } else if (property_name_ == QLatin1String("callback")) {
                candidate_spec_.callback = value_.text.trimmed().toStdString();
            }
            return;
        }
        if (!owner.timer) return;
        TimerSpec &t = candidate_spec_.timers[static_cast<size_t>(owner.timer_index)];
        if (property_name_ == QLatin1String("ctrlId")) {
            const int id = ToInt(value_, &ok);
            if (ok) t.ctrl_id = id;
        } else if (property_name_ == QLatin1String("callback")) {
            t.callback = value_.text.trimmed().toStdString();
        } else if (property_name_ == QLatin1String("interval")) {
            const double s = value_.text.trimmed().toDouble(&ok);
            if (ok) t.interval_s = s;
        } else if (property_name_ == QLatin1String("enabled")) {
            t.enabled = ToBool(value_);
        }
    }

    const int wanted_;
    const bool with_ui_;
    std::vector<Element> stack_;
    bool found_ = false;
    PanelSpec result_;
    QByteArray panel_xml_;

    bool candidate_ = false;
    bool candidate_id_set_ = false;
    int candidate_id_ = 0;
    PanelSpec candidate_spec_;
    QByteArray candidate_xml_;
    std::unique_ptr<QXmlStreamWriter> writer_;
    bool copying_ = false;

    bool custom_copying_ = false;
    QByteArray custom_xml_;
    std::unique_ptr<QXmlStreamWriter> custom_writer_;

    QString property_name_;
    size_t property_owner_ = 0;
    PropertyValue value_;
    bool in_value_ = false;
};

}  // namespace

std::string ResourcePath(const char *file_name) {
    if (file_name == nullptr || file_name[0] == '\0') return "";
    const std::string name = file_name;
    if (name.find('/') != std::string::npos) return FileExists(name) ? name : "";
    if (const char *dir = getenv("CH_RESOURCE_DIR"); dir != nullptr && dir[0] != '\0') {
        const std::string candidate = std::string(dir) + "/" + name;
        if (FileExists(candidate)) return candidate;
    }
    char folder[4096];
    GetResourceDir(folder, sizeof folder);
    const std::string shipped = std::string(folder) + "/" + name;
    return FileExists(shipped) ? shipped : "";
}

int ReadPanelSpec(const std::string &path, int resource_id, bool with_ui, PanelSpec *out) {
    QFile file(QString::fromStdString(path));
    if (path.empty() || !file.open(QIODevice::ReadOnly)) return kUIErrFile;
    const QByteArray bytes = file.readAll();
    PanelReader reader(resource_id, with_ui);
    return reader.Read(bytes, out);
}
