#include "regex/regex_object.h"

#include <cmath>
#include <string_view>

#include "text/encoding.h"
#include "text/text.h"

namespace {

constexpr DWORD ALL_SERVER_CONTEXTS = 0x17;   // in-process server and handler, local, remote
constexpr DWORD LOCAL_SERVER_CONTEXTS = 0x7;  // for systems that refuse the remote context

ComPtr<IDispatch> createObject(const wchar_t* progId) {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(progId, &clsid))) return {};
    ComPtr<IDispatch> object;
    HRESULT hr = CoCreateInstance(clsid, nullptr, ALL_SERVER_CONTEXTS, IID_IDispatch,
                                  reinterpret_cast<void**>(object.receive()));
    if (hr == E_INVALIDARG) {
        hr = CoCreateInstance(clsid, nullptr, LOCAL_SERVER_CONTEXTS, IID_IDispatch,
                              reinterpret_cast<void**>(object.receive()));
    }
    if (FAILED(hr) || !object) return {};
    OleRun(object.get());
    return object;
}

// Invokes `name` on `object`; `args` in their natural order.
bool invoke(IDispatch* object, const wchar_t* name, WORD flags, VARIANT* args, UINT argCount, VARIANT* result) {
    if (!object) return false;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return false;
    // IDispatch takes its arguments last to first.
    VARIANT reversed[2];
    for (UINT i = 0; i < argCount; ++i) reversed[i] = args[argCount - 1 - i];
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.rgvarg = argCount ? reversed : nullptr;
    params.cArgs = argCount;
    if (flags & DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    return SUCCEEDED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr));
}

constexpr WORD GET = DISPATCH_PROPERTYGET | DISPATCH_METHOD;

void putBool(IDispatch* object, const wchar_t* name, bool value) {
    VARIANT arg;
    arg.vt = VT_BOOL;
    arg.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    invoke(object, name, DISPATCH_PROPERTYPUT, &arg, 1, nullptr);
}

// A VT_BSTR variant holding the GBK text as UTF-16.
class TextArg {
public:
    explicit TextArg(std::string_view gbk) {
        std::wstring wide = gbkToWide(gbk);
        ScopedBstr s(wide.data(), UINT(wide.size()));
        v_.get()->vt = VT_BSTR;
        v_.get()->bstrVal = s.release();
    }
    VARIANT* get() { return v_.get(); }

private:
    ScopedVariant v_;
};

std::string variantText(VARIANT* value) {
    if (FAILED(VariantChangeType(value, value, 0, VT_BSTR)) || !value->bstrVal) return {};
    return wideToGbk(std::wstring_view(value->bstrVal, SysStringLen(value->bstrVal)));
}

std::string getText(IDispatch* object, const wchar_t* name) {
    ScopedVariant result;
    if (!invoke(object, name, GET, nullptr, 0, result.get())) return {};
    return variantText(result.get());
}

// Counts and indexes come back as numbers; rounded, 0 on failure.
int getNumber(IDispatch* object, const wchar_t* name) {
    ScopedVariant result;
    if (!invoke(object, name, GET, nullptr, 0, result.get())) return 0;
    if (FAILED(VariantChangeType(result.get(), result.get(), 0, VT_R8))) return 0;
    return int(std::lround((*result).dblVal));
}

ComPtr<IDispatch> takeObject(VARIANT* value) {
    if (value->vt != VT_DISPATCH || !value->pdispVal) return {};
    value->pdispVal->AddRef();
    return ComPtr<IDispatch>::adopt(value->pdispVal);
}

ComPtr<IDispatch> getObject(IDispatch* object, const wchar_t* name) {
    ScopedVariant result;
    if (!invoke(object, name, GET, nullptr, 0, result.get())) return {};
    return takeObject(result.get());
}

// "Item" of a collection at the component's 0-based index, passed as a double.
bool getItem(IDispatch* collection, int index, VARIANT* result) {
    VARIANT arg;
    arg.vt = VT_R8;
    arg.dblVal = double(index);
    return invoke(collection, L"Item", GET, &arg, 1, result);
}

}  // namespace

RegexObject::RegexObject() : comInit_(CoInitialize(nullptr)) {}

RegexObject::~RegexObject() {
    matches.reset();
    regExp.reset();
    subject.clear();
    if (SUCCEEDED(comInit_)) CoUninitialize();
}

RegexObject::RegexObject(const RegexObject& other)
    : regExp(other.regExp), matches(other.matches), subject(other.subject), comInit_(CoInitialize(nullptr)) {}

RegexObject& RegexObject::operator=(const RegexObject& other) {
    regExp = other.regExp;
    matches = other.matches;
    subject = other.subject;
    return *this;
}

bool RegexObject::run(const std::string& patternText, const std::string& subjectText, std::optional<bool> caseSensitive,
                      std::optional<bool> multiline, std::optional<bool> global,
                      std::optional<bool> expandQuoteMarker) {
    std::string newSubject = subjectText;  // the caller may pass our own subject
    matches.reset();
    regExp.reset();
    regExp = createObject(L"VBScript.RegExp");
    if (!regExp) {
        subject = std::move(newSubject);
        return false;
    }
    putBool(regExp.get(), L"IgnoreCase", !caseSensitive.value_or(false));
    putBool(regExp.get(), L"Multiline", multiline.value_or(true));
    putBool(regExp.get(), L"Global", global.value_or(true));
    std::string expanded =
        expandQuoteMarker.value_or(false) ? replaceAll(patternText, QUOTE_MARKER, "\"") : patternText;
    TextArg patternArg(expanded);
    invoke(regExp.get(), L"Pattern", DISPATCH_PROPERTYPUT, patternArg.get(), 1, nullptr);
    return execute(newSubject);
}

bool RegexObject::execute(const std::string& subjectText) {
    std::string newSubject = subjectText;
    matches.reset();
    if (!regExp) return false;
    TextArg subjectArg(newSubject);
    ScopedVariant result;
    if (invoke(regExp.get(), L"Execute", DISPATCH_METHOD, subjectArg.get(), 1, result.get())) {
        matches = takeObject(result.get());
    }
    subject = std::move(newSubject);
    return bool(matches);
}

std::string RegexObject::pattern() const {
    if (!regExp) return {};
    return getText(regExp.get(), L"Pattern");
}

std::string RegexObject::replace(const std::string& replacement) const {
    if (!regExp) return {};
    VARIANT args[2];
    TextArg subjectArg(subject);
    TextArg replacementArg(replacement);
    args[0] = *subjectArg.get();
    args[1] = *replacementArg.get();
    ScopedVariant result;
    if (!invoke(regExp.get(), L"Replace", DISPATCH_METHOD, args, 2, result.get())) return {};
    return variantText(result.get());
}

int RegexObject::matchCount() const {
    if (!matches) return 0;
    return getNumber(matches.get(), L"Count");
}

ComPtr<IDispatch> RegexObject::item(int match) const {
    if (!matches || match < 1) return {};
    ScopedVariant result;
    if (!getItem(matches.get(), match - 1, result.get())) return {};
    return takeObject(result.get());
}

// The component counts characters from 0; the subject is GBK bytes. Start the search for the
// text at the byte where character F begins (exact, so a double-byte character before the
// match can neither shift nor misalign it), then take the first occurrence from there.
int RegexObject::bytePosition(IDispatch* match, const std::string& text) const {
    int first = getNumber(match, L"FirstIndex");
    std::wstring wide = gbkToWide(subject);
    size_t chars = std::min<size_t>(size_t(std::max(first, 0)), wide.size());
    int startByte = int(wideToGbk(std::wstring_view(wide).substr(0, chars)).size());
    bool ignoreCase = getText(regExp.get(), L"IgnoreCase") == "0";
    int found = findText(subject, text, startByte + 1, ignoreCase);
    return found - 1;  // -1 (not found) becomes -2
}

std::string RegexObject::matchText(int match, int* position) const {
    ComPtr<IDispatch> m = item(match);
    if (!m) {
        if (position) *position = -2;
        return {};
    }
    std::string result = getText(m.get(), L"Value");
    if (position) *position = bytePosition(m.get(), result);
    return result;
}

std::string RegexObject::subMatchText(int match, int subMatch, int* position) const {
    ComPtr<IDispatch> m = item(match);
    ComPtr<IDispatch> groups = m ? getObject(m.get(), L"SubMatches") : ComPtr<IDispatch>();
    std::string result;
    bool found = false;
    if (groups && subMatch >= 1) {
        ScopedVariant value;
        if (getItem(groups.get(), subMatch - 1, value.get())) {
            found = true;
            result = variantText(value.get());
        }
    }
    if (position) *position = found ? bytePosition(m.get(), result) : -2;
    return result;
}

int RegexObject::subMatchCount() const {
    ComPtr<IDispatch> m = item(1);
    if (!m) return 0;
    ComPtr<IDispatch> groups = getObject(m.get(), L"SubMatches");
    if (!groups) return 0;
    return getNumber(groups.get(), L"Count");
}
