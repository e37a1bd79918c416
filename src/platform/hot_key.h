// A desktop-wide hot key. On X11 the key is grabbed on the root window (also with the
// NumLock and CapsLock variants) and its presses are picked out of Qt's native event stream.
// Elsewhere (Wayland) there is no such facility, and registering quietly does nothing.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <cstdint>
#include <vector>

namespace kd {

// X keysym of the letter n, as Alt+N uses it.
inline constexpr std::uint32_t kKeysymN = 0x006e;

class GlobalHotKey : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit GlobalHotKey(QObject* parent = nullptr);
    ~GlobalHotKey() override;

    // Grabs Alt + the key of `keysym`. Returns false, without telling anyone, when there is no
    // X11 display or another program holds the key.
    bool register_alt_key(std::uint32_t keysym);
    void unregister();
    bool is_registered() const { return !grabbed_.empty(); }

    bool nativeEventFilter(const QByteArray& event_type, void* message, qintptr* result) override;

signals:
    void activated();

private:
    struct Grab {
        std::uint8_t keycode;
        std::uint16_t modifiers;
    };
    std::vector<Grab> grabbed_;
    std::vector<std::uint8_t> keycodes_;
    std::uint32_t root_ = 0;
    std::uint16_t ignored_mask_ = 0;  // lock modifiers that must not matter
    bool filter_installed_ = false;
};

}  // namespace kd
