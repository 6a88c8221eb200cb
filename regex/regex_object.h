// One regular expression run over one GBK subject through the system's "VBScript.RegExp"
// component, driven by name. Matches and sub-matches are numbered from 1; every failure is
// quiet (false, 0 or an empty text).
#pragma once
#include <optional>
#include <string>

#include "regex/com_owners.h"

class RegexObject {
public:
    // Initialises COM on the calling thread; the object must be destroyed on that thread.
    RegexObject();
    ~RegexObject();
    // A copy shares the component objects (each gains a reference) and copies the subject.
    RegexObject(const RegexObject& other);
    RegexObject& operator=(const RegexObject& other);

    // Compiles `pattern` and matches it against `subject`. Omitted options: case-insensitive,
    // multiline, global, QUOTE_MARKER left as written. False when the component could not be
    // created or rejected the pattern.
    bool run(const std::string& pattern, const std::string& subject, std::optional<bool> caseSensitive = {},
             std::optional<bool> multiline = {}, std::optional<bool> global = {},
             std::optional<bool> expandQuoteMarker = {});

    // Runs the pattern of the last run, with its options, over a new subject. The component
    // keeps the compiled pattern, so a worker pays the set-up once and not once per page.
    // False before the first run or when the component fails.
    bool execute(const std::string& subject);

    // The pattern the component holds; "" before the first run.
    std::string pattern() const;
    // The stored subject with every match (or the first, when global was off) replaced; the
    // replacement syntax ($1 ...) is the component's.
    std::string replace(const std::string& replacement = {}) const;

    int matchCount() const;
    // `position`, when given, receives the 0-based byte offset of the text in the subject,
    // or -2 when it cannot be found.
    std::string matchText(int match, int* position = nullptr) const;
    std::string subMatchText(int match, int subMatch, int* position = nullptr) const;
    // Number of capture groups, read from the first match; 0 when there is none.
    int subMatchCount() const;

private:
    ComPtr<IDispatch> item(int match) const;
    int bytePosition(IDispatch* match, const std::string& text) const;

    ComPtr<IDispatch> regExp;
    ComPtr<IDispatch> matches;
    std::string subject;
    HRESULT comInit_;
};
