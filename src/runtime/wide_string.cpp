// The wide string, instantiated in the launcher's own code.
#include <string>

// The runtime's own copy of the wide string is built with exceptions, and
// linking it would bring their machinery and the unwinder into the image;
// this one, built without, is linked ahead of it.
template class std::basic_string<wchar_t>;
