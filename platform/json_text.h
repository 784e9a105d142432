// JSON for other programs (the MQTT payloads), built and parsed by Qt's QJsonDocument so
// that escaping, UTF-8 and number formatting are never ours to get wrong. An object is
// a handle filled by puts, like the sectioned-text list; a put of a key again replaces it.
#pragma once
#include <string>

struct JsonObjectData;
using JsonObject = JsonObjectData *;

// A new, empty object; nullptr when memory runs out.
JsonObject Json_New();
void Json_Dispose(JsonObject object);

// Puts on a null object or with a null key are ignored.
void Json_PutNumber(JsonObject object, const char *key, double value);
// A number cut to `decimals` places as the console keeps them (21.299999 is 21.3 on the
// wire, not 21.299999237060547).
void Json_PutRounded(JsonObject object, const char *key, double value, int decimals);
void Json_PutNull(JsonObject object, const char *key);
void Json_PutBool(JsonObject object, const char *key, bool value);
void Json_PutString(JsonObject object, const char *key, const char *value);
// A copy of child as the value of key.
void Json_PutObject(JsonObject object, const char *key, JsonObject child);
// An array of strings.
void Json_PutStringArray(JsonObject object, const char *key, const char *const *values,
                         int count);

// The object as compact UTF-8 text ("{}" for a null object).
std::string Json_ToText(JsonObject object);
// Parses text that must hold one object. nullptr when it is no JSON object.
JsonObject Json_Parse(const std::string &text);
// Reading back: 1 when key is there (of any type), else 0.
int Json_Has(JsonObject object, const char *key);
// 1 when key holds null.
int Json_IsNull(JsonObject object, const char *key);
// The number at key (0 when missing or not a number) and the string at key ("" likewise).
double Json_GetNumber(JsonObject object, const char *key);
std::string Json_GetString(JsonObject object, const char *key);
// The object at key, as a new handle to dispose; nullptr when there is none.
JsonObject Json_GetObject(JsonObject object, const char *key);
