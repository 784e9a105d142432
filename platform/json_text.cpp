#include "platform/json_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <new>

struct JsonObjectData {
    QJsonObject object;
};

JsonObject Json_New() { return new (std::nothrow) JsonObjectData; }

void Json_Dispose(JsonObject object) { delete object; }

namespace {

void Put(JsonObject object, const char *key, const QJsonValue &value) {
    if (object == nullptr || key == nullptr) return;
    object->object.insert(QString::fromUtf8(key), value);
}

QJsonValue Get(JsonObject object, const char *key) {
    if (object == nullptr || key == nullptr) return QJsonValue(QJsonValue::Undefined);
    return object->object.value(QString::fromUtf8(key));
}

}  // namespace

void Json_PutNumber(JsonObject object, const char *key, double value) {
    // JSON has no infinity or NaN; such a value is no reading.
    Put(object, key, std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null));
}

void Json_PutRounded(JsonObject object, const char *key, double value, int decimals) {
    if (!std::isfinite(value)) {
        Json_PutNull(object, key);
        return;
    }
    // Rounded in decimal, so that the double on the wire is the shortest one that reads
    // back as the number the console meant.
    const double scale = std::pow(10.0, decimals);
    Json_PutNumber(object, key, std::round(value * scale) / scale);
}

void Json_PutNull(JsonObject object, const char *key) {
    Put(object, key, QJsonValue(QJsonValue::Null));
}

void Json_PutBool(JsonObject object, const char *key, bool value) {
    Put(object, key, QJsonValue(value));
}

void Json_PutString(JsonObject object, const char *key, const char *value) {
    Put(object, key, QJsonValue(QString::fromUtf8(value != nullptr ? value : "")));
}

void Json_PutObject(JsonObject object, const char *key, JsonObject child) {
    Put(object, key, child != nullptr ? QJsonValue(child->object) : QJsonValue(QJsonValue::Null));
}

void Json_PutStringArray(JsonObject object, const char *key, const char *const *values,
                         int count) {
    QJsonArray array;
    for (int i = 0; i < count && values != nullptr; ++i)
        array.append(QString::fromUtf8(values[i] != nullptr ? values[i] : ""));
    Put(object, key, array);
}

std::string Json_ToText(JsonObject object) {
    if (object == nullptr) return "{}";
    return QJsonDocument(object->object).toJson(QJsonDocument::Compact).toStdString();
}

JsonObject Json_Parse(const std::string &text) {
    QJsonParseError error{};
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray(text.data(), static_cast<qsizetype>(text.size())), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return nullptr;
    JsonObject object = Json_New();
    if (object != nullptr) object->object = doc.object();
    return object;
}

int Json_Has(JsonObject object, const char *key) { return Get(object, key).isUndefined() ? 0 : 1; }

int Json_IsNull(JsonObject object, const char *key) { return Get(object, key).isNull() ? 1 : 0; }

double Json_GetNumber(JsonObject object, const char *key) { return Get(object, key).toDouble(0.0); }

std::string Json_GetString(JsonObject object, const char *key) {
    return Get(object, key).toString().toStdString();
}

JsonObject Json_GetObject(JsonObject object, const char *key) {
    const QJsonValue value = Get(object, key);
    if (!value.isObject()) return nullptr;
    JsonObject child = Json_New();
    if (child != nullptr) child->object = value.toObject();
    return child;
}
