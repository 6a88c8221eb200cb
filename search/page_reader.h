// Reads one result page with a profile: the results on it, whether it offers a next page and
// whether it is the engine's verification wall. Holds one compiled pattern per purpose, reused
// for every page of a worker, so it belongs to the worker's thread.
#pragma once
#include <string>
#include <vector>

#include "regex/regex_object.h"
#include "search/extract.h"
#include "search/profile.h"

// The most of one result's container that the patterns look at. A real result is far smaller;
// the bound keeps a page made of one huge container from costing more than its size.
inline constexpr size_t RESULT_BLOCK_CAP = 64 * 1024;

// One result as the page gives it.
struct FoundResult {
    std::string title;    // classic: as the page has it, highlighting removed; else cleaned
    std::string address;  // the real address where the page or the link carries it, else the link
    bool redirect = false;  // the address is still the engine's redirect link
    std::string snippet;    // the text shown with the result, cleaned like a title ("" in classic)
};

struct PageRead {
    std::vector<FoundResult> results;
    bool next = false;
    std::string nextLink;  // the next-page link's address, references decoded ("" when unknown)
    FormFields nextForm;   // the next-page form, for profiles that page by form
    bool wall = false;
};

class PageReader {
public:
    explicit PageReader(const EngineProfile& profile);
    PageRead read(const std::string& page);

private:
    // Runs `pattern` over `subject` with `re`, compiling it on the first use only.
    bool match(RegexObject& re, bool& compiled, const std::string& pattern, const std::string& subject);
    void readClassic(const std::string& page, PageRead& read);
    void readProfile(const std::string& page, PageRead& read);
    FoundResult foundResult(const std::string& link, const std::string& title, const std::string& real) const;
    void readNext(const std::string& page, PageRead& read);

    const EngineProfile profile_;  // a copy: the reader may outlive the profile it was given
    RegexObject result_, real_, next_, snippet_;
    bool resultCompiled_ = false, realCompiled_ = false, nextCompiled_ = false, snippetCompiled_ = false;
};

// RESULT_PATTERN as the platform's component must be given it to read it in the dialect it was
// written for, where "." stops only at a line feed. Some implementations of the component stop
// "." at a carriage return too, which would lose every title that holds one.
const std::string& classicPattern();
