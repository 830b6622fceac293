// X11 clients of the test's own, each until it is killed:
//   xclient tray  a system tray (the XEmbed protocol's manager side): takes
//                 the screen's tray selection, tells the screen so, and prints
//                 "dock <window>" for each icon that asks to be taken in;
//   xclient grab  holds Ctrl+Alt+B on the root window, as another program
//                 would, and prints "grabbed".
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

xcb_atom_t atom(xcb_connection_t* c, const std::string& name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.c_str()), nullptr);
    const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return found;
}

} // namespace

int grab(xcb_connection_t* c, xcb_screen_t* screen)
{
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* mapping =
        xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, setup->min_keycode, uint8_t(count)), nullptr);
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping);
    xcb_keycode_t keycode = 0;
    for (int i = 0; i < count && keycode == 0; ++i) {
        if (keysyms[i * mapping->keysyms_per_keycode] == 'b')
            keycode = xcb_keycode_t(setup->min_keycode + i);
    }
    std::free(mapping);
    const uint16_t modifiers = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
    xcb_generic_error_t* error = xcb_request_check(
        c, xcb_grab_key_checked(c, 1, screen->root, modifiers, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    if (error) {
        std::fprintf(stderr, "xclient: the key is held already\n");
        return 1;
    }
    std::printf("grabbed\n");
    std::fflush(stdout);
    while (xcb_generic_event_t* event = xcb_wait_for_event(c))
        std::free(event);
    return 0;
}

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode != "tray" && mode != "grab") {
        std::fprintf(stderr, "usage: xclient tray|grab\n");
        return 2;
    }
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "xclient: no display\n");
        return 1;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    xcb_screen_t* screen = screens.data;
    if (mode == "grab")
        return grab(c, screen);
    const xcb_atom_t selection = atom(c, "_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber));
    const xcb_atom_t manager = atom(c, "MANAGER");
    const xcb_atom_t opcode = atom(c, "_NET_SYSTEM_TRAY_OPCODE");

    const xcb_window_t tray = xcb_generate_id(c);
    xcb_create_window(c,
                      XCB_COPY_FROM_PARENT,
                      tray,
                      screen->root,
                      0,
                      0,
                      1,
                      1,
                      0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual,
                      0,
                      nullptr);
    xcb_set_selection_owner(c, tray, selection, XCB_CURRENT_TIME);
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    if (!owner || owner->owner != tray) {
        std::fprintf(stderr, "xclient: another tray holds the selection\n");
        return 1;
    }
    std::free(owner);

    xcb_client_message_event_t announce;
    std::memset(&announce, 0, sizeof announce);
    announce.response_type = XCB_CLIENT_MESSAGE;
    announce.format = 32;
    announce.window = screen->root;
    announce.type = manager;
    announce.data.data32[0] = XCB_CURRENT_TIME;
    announce.data.data32[1] = selection;
    announce.data.data32[2] = tray;
    xcb_send_event(c, 0, screen->root, XCB_EVENT_MASK_STRUCTURE_NOTIFY, reinterpret_cast<const char*>(&announce));
    xcb_flush(c);
    std::printf("ready %u\n", tray);
    std::fflush(stdout);

    constexpr uint32_t kRequestDock = 0;
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
        if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
            const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
            if (message->type == opcode && message->data.data32[1] == kRequestDock) {
                std::printf("dock %u\n", message->data.data32[2]);
                std::fflush(stdout);
            }
        }
        std::free(event);
    }
    return 0;
}
