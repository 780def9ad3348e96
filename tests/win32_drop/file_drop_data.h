#pragma once
// Data objects of our own that stand in for the shell when a test drags something onto a
// window: a file list (CF_HDROP, wide paths) or plain text alone (CF_TEXT). Header-only,
// so that the window's tests can drop files the same way.
//
// Each object lends out its one block of global memory and names itself as the owner to
// release (pUnkForRelease), so a receiver that forgets ReleaseStgMedium leaves the
// reference count raised, which references() shows.

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/owners.h"
#include "platform/win32/wide.h"

namespace icoforge::test {

class TestDataObject final : public ComObject<IDataObject, IID_IDataObject> {
public:
    // Offers exactly `format` as global memory holding `bytes`. Made with one reference.
    static ComPtr<TestDataObject> Make(CLIPFORMAT format, const std::vector<std::uint8_t>& bytes) {
        return ComPtr<TestDataObject>(new TestDataObject(format, bytes));
    }

    // GetData calls answered with the data.
    int deliveries() const { return deliveries_; }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* request, STGMEDIUM* medium) override {
        if (!request || !medium) return E_INVALIDARG;
        const HRESULT offered = QueryGetData(request);
        if (offered != S_OK) return offered;
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory_;
        medium->pUnkForRelease = static_cast<IDataObject*>(this);
        AddRef();
        ++deliveries_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* request) override {
        if (!request) return E_INVALIDARG;
        if (request->cfFormat != format_) return DV_E_FORMATETC;
        if (request->dwAspect != DVASPECT_CONTENT || request->lindex != -1) return DV_E_DVASPECT;
        if ((request->tymed & TYMED_HGLOBAL) == 0) return DV_E_TYMED;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out) out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    TestDataObject(CLIPFORMAT format, const std::vector<std::uint8_t>& bytes)
        : format_(format), memory_(GlobalAlloc(GMEM_MOVEABLE, bytes.size())) {
        if (void* target = memory_ ? GlobalLock(memory_) : nullptr) {
            std::memcpy(target, bytes.data(), bytes.size());
            GlobalUnlock(memory_);
        }
    }
    ~TestDataObject() {
        if (memory_) GlobalFree(memory_);
    }

    int deliveries_ = 0;
    CLIPFORMAT format_;
    HGLOBAL memory_;
};

// A drag of files, as the shell offers it: DROPFILES with wide paths, each ended by a
// zero and the list by one more.
inline ComPtr<TestDataObject> MakeFileDropData(const std::vector<std::string>& utf8_paths) {
    std::wstring list;
    for (const auto& path : utf8_paths) {
        list += WideFromUtf8(path);
        list += L'\0';
    }
    // An empty list still holds two zeros: readers skip a first name before they look for
    // the end, and would read past a single one.
    if (list.empty()) list += L'\0';
    list += L'\0';
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    std::vector<std::uint8_t> bytes(sizeof header + list.size() * sizeof(wchar_t));
    std::memcpy(bytes.data(), &header, sizeof header);
    std::memcpy(bytes.data() + sizeof header, list.data(), list.size() * sizeof(wchar_t));
    return TestDataObject::Make(CF_HDROP, bytes);
}

// A drag of selected text and nothing else: CF_TEXT, zero-terminated.
inline ComPtr<TestDataObject> MakeTextDropData(std::string_view ansi_text) {
    std::vector<std::uint8_t> bytes(ansi_text.begin(), ansi_text.end());
    bytes.push_back(0);
    return TestDataObject::Make(CF_TEXT, bytes);
}

}  // namespace icoforge::test
