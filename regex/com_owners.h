// Owners for the COM pieces the pattern object uses: interface pointers, variants, strings and
// the per-thread library initialisation. Each releases what it holds exactly once.
#pragma once
#include <oaidl.h>
#include <oleauto.h>
#include <windows.h>

#include <utility>

// Holds one reference to a COM interface.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr& other) : ptr_(other.ptr_) {
        if (ptr_) ptr_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr& operator=(const ComPtr& other) {
        if (this != &other) {
            if (other.ptr_) other.ptr_->AddRef();
            reset();
            ptr_ = other.ptr_;
        }
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            ptr_ = std::exchange(other.ptr_, nullptr);
        }
        return *this;
    }

    // Takes over a reference the caller already owns.
    static ComPtr adopt(T* p) {
        ComPtr c;
        c.ptr_ = p;
        return c;
    }
    void reset() {
        if (ptr_) std::exchange(ptr_, nullptr)->Release();
    }
    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    // For out-parameters: releases the current reference first.
    T** receive() {
        reset();
        return &ptr_;
    }

private:
    T* ptr_ = nullptr;
};

// A VARIANT that is cleared when it goes out of scope.
class ScopedVariant {
public:
    ScopedVariant() { VariantInit(&v_); }
    ~ScopedVariant() { VariantClear(&v_); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    VARIANT* get() { return &v_; }
    const VARIANT& operator*() const { return v_; }
    void clear() { VariantClear(&v_); }

private:
    VARIANT v_;
};

// A BSTR freed when it goes out of scope.
class ScopedBstr {
public:
    ScopedBstr() = default;
    explicit ScopedBstr(const wchar_t* text, UINT length) : s_(SysAllocStringLen(text, length)) {}
    ~ScopedBstr() { SysFreeString(s_); }
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    BSTR get() const { return s_; }
    // Hands the string to a VARIANT that will free it.
    BSTR release() { return std::exchange(s_, nullptr); }

private:
    BSTR s_ = nullptr;
};

// Initialises COM (apartment model) for the calling thread for the owner's lifetime.
class ComInitializer {
public:
    ComInitializer() : hr_(CoInitialize(nullptr)) {}
    ~ComInitializer() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComInitializer(const ComInitializer&) = delete;
    ComInitializer& operator=(const ComInitializer&) = delete;

private:
    HRESULT hr_;
};
