// A window that exists once: created hidden on first touch, unloaded by its owner or by its own close box.
#pragma once

#include <utility>

namespace platform {

template <class Form>
class LoadedOnce
{
public:
    static Form &instance()
    {
        if (!s_form)
            s_form = new Form;
        return *s_form;
    }
    static bool isLoaded() { return s_form != nullptr; }
    static void unload() { delete std::exchange(s_form, nullptr); }

protected:
    // From the window's own close event: deletion waits until that event is over.
    void unloadLater()
    {
        if (s_form == static_cast<Form *>(this))
            std::exchange(s_form, nullptr)->deleteLater();
    }

private:
    static inline Form *s_form = nullptr;
};

}
