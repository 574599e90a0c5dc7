#include "tranURL/BrowserAutomation.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>
#endif

namespace quillo {

#ifdef Q_OS_WIN

namespace {

// Calls a member of an automation object by name; false when it has no such member or the call
// fails.
bool invoke(IDispatch* object, const wchar_t* name, WORD flags, DISPPARAMS* params)
{
    DISPID id = 0;
    LPOLESTR member = const_cast<LPOLESTR>(name);
    if (FAILED(object->GetIDsOfNames(IID_NULL, &member, 1, LOCALE_USER_DEFAULT, &id)))
        return false;
    return SUCCEEDED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, params, nullptr, nullptr, nullptr));
}

bool setVisible(IDispatch* browser)
{
    VARIANT visible;
    VariantInit(&visible);
    visible.vt = VT_BOOL;
    visible.boolVal = VARIANT_TRUE;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&visible, &named, 1, 1};
    return invoke(browser, L"Visible", DISPATCH_PROPERTYPUT, &params);
}

bool navigate(IDispatch* browser, const QString& address)
{
    VARIANT url;
    VariantInit(&url);
    url.vt = VT_BSTR;
    url.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(address.utf16()),
                                    static_cast<UINT>(address.size()));
    if (!url.bstrVal)
        return false;
    DISPPARAMS params{&url, nullptr, 1, 0};
    const bool done = invoke(browser, L"Navigate", DISPATCH_METHOD, &params);
    VariantClear(&url);
    return done;
}

} // namespace

struct AutomatedBrowser::Instance
{
    IDispatch* dispatch = nullptr;
    bool ownsCom = false;  // whether this instance's CoInitializeEx needs a matching uninitialize

    ~Instance()
    {
        if (dispatch)
            dispatch->Release();
        if (ownsCom)
            CoUninitialize();
    }
};

std::unique_ptr<AutomatedBrowser> AutomatedBrowser::Open(const QString& address)
{
    auto instance = std::make_unique<Instance>();
    instance->ownsCom = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    CLSID server;
    if (FAILED(CLSIDFromProgID(L"InternetExplorer.Application", &server)))
        return nullptr;
    if (FAILED(CoCreateInstance(server, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&instance->dispatch))))
        return nullptr;
    if (!setVisible(instance->dispatch) || !navigate(instance->dispatch, address)) {
        // A browser that could not be shown or sent anywhere would linger out of sight.
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        invoke(instance->dispatch, L"Quit", DISPATCH_METHOD, &none);
        return nullptr;
    }
    return std::unique_ptr<AutomatedBrowser>(new AutomatedBrowser(std::move(instance)));
}

#else

struct AutomatedBrowser::Instance
{
};

std::unique_ptr<AutomatedBrowser> AutomatedBrowser::Open(const QString&)
{
    return nullptr;
}

#endif

AutomatedBrowser::AutomatedBrowser(std::unique_ptr<Instance> instance)
    : m_instance(std::move(instance))
{
}

AutomatedBrowser::~AutomatedBrowser() = default;

} // namespace quillo
