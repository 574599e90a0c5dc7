// A library that answers to the name of one the program opens at run time and has none of its
// functions: what the program finds when the installed one is broken or of another make.
extern "C" int quillo_stand_in_library()
{
    return 0;
}
