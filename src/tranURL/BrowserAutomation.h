#pragma once
// Internet Explorer driven through its automation server ("InternetExplorer.Application"), on the
// Windows systems that still have one. Everywhere else there is no such server and Open always
// gives nothing, so the caller falls back to the desktop's default browser.
#include <QString>
#include <memory>

namespace quillo {

class AutomatedBrowser
{
public:
    // Starts a new browser instance, makes it visible and navigates it to `address`. Nothing when
    // the automation server is missing or any of those steps fails.
    static std::unique_ptr<AutomatedBrowser> Open(const QString& address);

    // Lets go of the instance; its window stays open.
    ~AutomatedBrowser();

    AutomatedBrowser(const AutomatedBrowser&) = delete;
    AutomatedBrowser& operator=(const AutomatedBrowser&) = delete;

private:
    struct Instance;
    explicit AutomatedBrowser(std::unique_ptr<Instance> instance);

    std::unique_ptr<Instance> m_instance;
};

} // namespace quillo
