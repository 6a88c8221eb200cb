#include "draw/flat_call.h"

namespace draw {
namespace {

GpStatus lastStatusValue = Ok;
int liveObjects = 0;
// After the last shutdown GDI+ has freed every object itself; wrappers that go away later (the
// skin's tables at exit) must not call into it.
int activeStarts = 0;
bool libraryStopped = false;
// Every start from stopped begins a new session; objects are tagged with the session that made
// them, and a handle of an earlier session is never handed to GDI+ again (the library freed it
// at its shutdown, and the same address may belong to another object now).
unsigned session = 0;

GpStatus deleteNativeObject(ObjectKind kind, void* handle) {
    FlatTable& t = flatTable();
    switch (kind) {
        case ObjectKind::Font:
            return detail::call(t.GdipDeleteFont, static_cast<GpFont*>(handle));
        case ObjectKind::FontFamily:
            return detail::call(t.GdipDeleteFontFamily, static_cast<GpFontFamily*>(handle));
        case ObjectKind::Graphics:
            return detail::call(t.GdipDeleteGraphics, static_cast<GpGraphics*>(handle));
        case ObjectKind::Path:
            return detail::call(t.GdipDeletePath, static_cast<GpPath*>(handle));
        case ObjectKind::Brush:
            return detail::call(t.GdipDeleteBrush, static_cast<GpBrush*>(handle));
        case ObjectKind::Pen:
            return detail::call(t.GdipDeletePen, static_cast<GpPen*>(handle));
        case ObjectKind::StringFormat:
            return detail::call(t.GdipDeleteStringFormat, static_cast<GpStringFormat*>(handle));
        case ObjectKind::Image:
            return detail::call(t.GdipDisposeImage, static_cast<GpImage*>(handle));
        case ObjectKind::Region:
            return detail::call(t.GdipDeleteRegion, static_cast<GpRegion*>(handle));
    }
    return InvalidParameter;
}

}  // namespace

GpStatus lastStatus() {
    return lastStatusValue;
}
void setLastStatus(GpStatus status) {
    lastStatusValue = status;
}
int liveObjectCount() {
    return liveObjects;
}

ULONG_PTR startGdiplus() {
    ULONG_PTR token = 0;
    GdiplusStartupInput input{1, nullptr, FALSE, FALSE};
    if (FLAT(GdiplusStartup, &token, &input, static_cast<GdiplusStartupOutput*>(nullptr)) != Ok) return 0;
    if (activeStarts++ == 0) ++session;
    libraryStopped = false;
    return token;
}

void stopGdiplus(ULONG_PTR token) {
    if (token == 0 || !flatTable().GdiplusShutdown) return;
    flatTable().GdiplusShutdown(token);
    if (activeStarts > 0 && --activeStarts == 0) libraryStopped = true;
}

// One native object and the number of wrappers that refer to it.
struct Object::Share {
    void* handle;
    long refs;
    unsigned session;
};

namespace {
bool current(const void* handle, unsigned objectSession) {
    return handle && !libraryStopped && objectSession == session;
}
}  // namespace

Object::Object(const Object& other) : kind_(other.kind_), share_(other.share_) {
    if (share_) ++share_->refs;
}

Object& Object::operator=(const Object& other) {
    if (this != &other && share_ != other.share_) {
        release();
        kind_ = other.kind_;
        share_ = other.share_;
        if (share_) ++share_->refs;
    }
    return *this;
}

Object::Object(Object&& other) noexcept : kind_(other.kind_), share_(other.share_) {
    other.share_ = nullptr;
}

Object& Object::operator=(Object&& other) noexcept {
    if (this != &other) {
        release();
        kind_ = other.kind_;
        share_ = other.share_;
        other.share_ = nullptr;
    }
    return *this;
}

Object::~Object() {
    release();
}

bool Object::Destroy() {
    return DeleteNative();
}

bool Object::DeleteNative() {
    if (!share_) return false;
    void* handle = share_->handle;
    unsigned objectSession = share_->session;
    bool last = --share_->refs == 0;
    if (last) delete share_;
    share_ = nullptr;
    if (!last) return true;
    --liveObjects;
    if (!current(handle, objectSession)) {
        setLastStatus(Ok);
        return true;
    }
    return deleteNativeObject(kind_, handle) == Ok;
}

void Object::release() {
    if (share_) {
        GpStatus keep = lastStatusValue;  // an implicit release must not disturb the caller's status
        DeleteNative();
        lastStatusValue = keep;
    }
}

void* Object::GetNativeHandle() const {
    // A handle of a stopped or earlier session reads as null, so a method passes null (and GDI+
    // answers InvalidParameter) instead of a pointer into freed memory.
    return share_ && current(share_->handle, share_->session) ? share_->handle : nullptr;
}

void Object::SetNativeHandle(void* handle) {
    if (share_ && handle == share_->handle && current(handle, share_->session)) return;
    release();
    if (handle) {
        share_ = new Share{handle, 1, session};
        ++liveObjects;
    }
}

long Object::ShareCount() const {
    return share_ ? share_->refs : 0;
}

void* Object::Allocate(size_t size) {
    return flatTable().GdipAlloc ? flatTable().GdipAlloc(size) : nullptr;
}

void Object::Free(void* pointer) {
    if (pointer && flatTable().GdipFree) flatTable().GdipFree(pointer);
}

bool Object::adoptHandle(GpStatus status, void* created) {
    if (status != Ok) {
        release();
        return false;
    }
    SetNativeHandle(created);
    return true;
}

}  // namespace draw
