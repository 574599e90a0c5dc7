// A library that answers to libcurl's name and has none of its functions: what the program finds
// when the installed libcurl is broken or of another make.
extern "C" int quillo_curl_stand_in()
{
    return 0;
}
