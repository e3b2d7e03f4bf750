// Exception translation at the COM entry points; included by filtertypes.h.
#include <exception>
#include <new>

template <class Work>
HRESULT brimloft::translate_exceptions(Work&& work) noexcept {
  try {
    work();
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const hr_error& e) {
    return e.hr;
  } catch (const std::exception&) {
    return E_FAIL;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
