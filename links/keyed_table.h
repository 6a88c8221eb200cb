// Lookups in a table of an enumeration's values, each with a key (as jsonl and settings write
// it) and a caption: the netdisks and the link states. An entry has the members value, key and
// caption. Room links/: platform-free, standard library only.
#pragma once
#include <iterator>
#include <string_view>

template <class Table, class Value>
auto entryWithValue(const Table& table, Value value) -> decltype(&*std::begin(table)) {
    for (const auto& e : table) {
        if (e.value == value) return &e;
    }
    return nullptr;
}

// "" for a value the table does not hold.
template <class Table, class Value>
const char* keyOfValue(const Table& table, Value value) {
    auto e = entryWithValue(table, value);
    return e ? e->key : "";
}

template <class Table, class Value>
const char* captionOfValue(const Table& table, Value value) {
    auto e = entryWithValue(table, value);
    return e ? e->caption : "";
}

// `none` for a key the table does not hold.
template <class Table, class Value>
Value valueOfKey(const Table& table, std::string_view key, Value none) {
    for (const auto& e : table) {
        if (key == e.key) return e.value;
    }
    return none;
}
