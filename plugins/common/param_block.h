#pragma once

// The parameters of a shipped class and its parameter window.
//
// Every class describes its parameters once, in a table: control id, label, default and the
// limits its field accepts. From that one table come the window's layout, filling the window,
// reading a field the user left, the class's record in the workspace and copying. Values are
// floats; a check box holds 0 or 1.

#include <string>

#include "undaline.h"

namespace shipped {

enum class FieldKind : unsigned char {
    Number,
    Check,
    // The shown x, y and z of a vector: three specs in a row, one window row. The three values
    // are kept as the vector's internal components, so the field shown as y edits component
    // AY, as the position fields do.
    AxisX,
    AxisY,
    AxisZ,
    // A line of text (a directory, a file name prefix), one wide field; its float is unused.
    Text,
};

struct ParamSpec {
    int id;             // control id of the field
    const char* label;  // with its unit, e.g. "Speed (units/s)"
    float initial;
    float min, max;     // limits of the field; kNoLimit is none on that side
    FieldKind kind;
};

struct ParamTable {
    const ParamSpec* specs;
    int count;
};

constexpr int kMaxParams = 12;

class ParamBlock {
public:
    explicit ParamBlock(const ParamTable& table);

    float& operator[](int i) { return values_[i]; }
    float operator[](int i) const { return values_[i]; }
    // The text of a Text parameter.
    const std::string& Text(int i) const { return texts_[i]; }
    void SetText(int i, const std::string& text) { texts_[i] = text.substr(0, kMaxTextBytes); }
    const ParamTable& table() const { return *table_; }

    // The value control id edits, -1 when it is not one of the table's.
    int ValueIndex(int id) const;
    // Shows every value in the window.
    void Show(platform::Dialog* window) const;
    // Reads field id after the user left it (a number) or clicked it (a check box). True when
    // id is one of the table's fields and the notification is the one that field answers.
    bool Read(platform::Dialog* window, int id, int code);

    // The class's record: the number of values, then each value, then (for a table with Text
    // parameters) each text as its length and bytes. A record with fewer values (an older class)
    // leaves the rest at their defaults; extra values (a newer class) are read and dropped, so
    // the workspace stays in step either way.
    bool Save() const;
    bool Load();

    static constexpr size_t kMaxTextBytes = 255;

private:
    const ParamTable* table_;
    float values_[kMaxParams];
    std::string texts_[kMaxParams];
};

// The parameter window of a table: position, rotation and scale rows, then one row per
// parameter (one row for the three fields of a vector). Built once and kept.
const platform::DialogTemplate* ParamWindowTemplate(const char* title, const ParamTable& table);

// Shows the node's scale[AX/AY/AZ] in fields 1003 to 1005.
void ShowNodeScale(platform::Dialog* window, const Nodo* node);

}  // namespace shipped
