#pragma once
// How the update session makes its requests. In the program it is the update window's
// request (WaitThread on), whose events the window hands on to the session; tests put a
// transport of their own in its place and call the session's request...() functions themselves.
#include <QString>

namespace quillo {

class TWebRequest;

class UpdateTransport
{
public:
    virtual ~UpdateTransport() = default;
    // From get() until the request has ended; already false while its completion is handled.
    virtual bool busy() const = 0;
    // One GET, into memory when `outputFile` is empty, else into that file. Returns when the
    // request has ended, its outcome handed to the session meanwhile (as a TWebRequest with
    // WaitThread on does); an aborted request, or one that ended without an outcome, hands none.
    virtual void get(const QString& url, const QString& outputFile) = 0;
    virtual void abort() = 0;
};

class WebRequestTransport : public UpdateTransport
{
public:
    explicit WebRequestTransport(TWebRequest* request)
        : m_request(request)
    {
    }

    bool busy() const override;
    void get(const QString& url, const QString& outputFile) override;
    void abort() override;

private:
    TWebRequest* m_request;
};

} // namespace quillo
