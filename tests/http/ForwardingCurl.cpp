// A libcurl.so.4 that hands every call to the real libcurl (QUILLO_REAL_LIBCURL) and behaves like
// an older release in one respect: with QUILLO_REFUSE_PREREQ it refuses CURLOPT_PREREQFUNCTION,
// as libcurl before 7.80 does; with QUILLO_REPORT_VERSION it reports that version number.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>

#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

void* real(const char* name)
{
    static void* library = dlopen(QUILLO_REAL_LIBCURL, RTLD_NOW | RTLD_LOCAL);
    void* symbol = library ? dlsym(library, name) : nullptr;
    if (!symbol) {
        std::fprintf(stderr, "forwarding libcurl: %s is missing in %s\n", name, QUILLO_REAL_LIBCURL);
        std::abort();
    }
    return symbol;
}

template <typename Function>
Function* realFunction(Function*, const char* name)
{
    return reinterpret_cast<Function*>(real(name));
}

} // namespace

#define FORWARD(name, params, args)                                   \
    extern "C" auto name params->decltype(::name args)                \
    {                                                                 \
        static const auto target = realFunction(&::name, #name);      \
        return target args;                                           \
    }

FORWARD(curl_global_init, (long flags), (flags))
FORWARD(curl_free, (void* p), (p))
FORWARD(curl_easy_init, (), ())
FORWARD(curl_easy_cleanup, (CURL* h), (h))
FORWARD(curl_easy_strerror, (CURLcode code), (code))
FORWARD(curl_easy_option_by_id, (CURLoption id), (id))
FORWARD(curl_multi_init, (), ())
FORWARD(curl_multi_cleanup, (CURLM* m), (m))
FORWARD(curl_multi_add_handle, (CURLM* m, CURL* h), (m, h))
FORWARD(curl_multi_remove_handle, (CURLM* m, CURL* h), (m, h))
FORWARD(curl_multi_perform, (CURLM* m, int* running), (m, running))
FORWARD(curl_multi_info_read, (CURLM* m, int* left), (m, left))
FORWARD(curl_multi_poll, (CURLM* m, curl_waitfd* fds, unsigned n, int ms, int* ret), (m, fds, n, ms, ret))
FORWARD(curl_multi_wakeup, (CURLM* m), (m))
FORWARD(curl_slist_append, (curl_slist* l, const char* s), (l, s))
FORWARD(curl_slist_free_all, (curl_slist* l), (l))
FORWARD(curl_url, (), ())
FORWARD(curl_url_cleanup, (CURLU* u), (u))
FORWARD(curl_url_set, (CURLU* u, CURLUPart p, const char* c, unsigned f), (u, p, c, f))
FORWARD(curl_url_get, (CURLU* u, CURLUPart p, char** c, unsigned f), (u, p, c, f))

extern "C" curl_version_info_data* curl_version_info(CURLversion age)
{
    static const auto target = realFunction(&::curl_version_info, "curl_version_info");
    curl_version_info_data* info = target(age);
#ifdef QUILLO_REPORT_VERSION
    static curl_version_info_data reported = *info;
    reported.version_num = QUILLO_REPORT_VERSION;
    reported.version = "7.79.1";
    return &reported;
#else
    return info;
#endif
}

// Every option takes one argument, whose type its number tells.
extern "C" CURLcode curl_easy_setopt(CURL* h, CURLoption option, ...)
{
    static const auto target = realFunction(&::curl_easy_setopt, "curl_easy_setopt");
#ifdef QUILLO_REFUSE_PREREQ
    if (option == CURLOPT_PREREQFUNCTION || option == CURLOPT_PREREQDATA)
        return CURLE_UNKNOWN_OPTION;
#endif
    va_list args;
    va_start(args, option);
    CURLcode result;
    if (option < CURLOPTTYPE_OBJECTPOINT)
        result = target(h, option, va_arg(args, long));
    else if (option >= CURLOPTTYPE_OFF_T && option < CURLOPTTYPE_BLOB)
        result = target(h, option, va_arg(args, curl_off_t));
    else
        result = target(h, option, va_arg(args, void*));
    va_end(args);
    return result;
}

extern "C" CURLcode curl_easy_getinfo(CURL* h, CURLINFO info, ...)
{
    static const auto target = realFunction(&::curl_easy_getinfo, "curl_easy_getinfo");
    va_list args;
    va_start(args, info);
    const CURLcode result = target(h, info, va_arg(args, void*));
    va_end(args);
    return result;
}
