#!/usr/bin/env python3
"""Asks the window manager to close an X window, as a taskbar or the window's close button
does: a _NET_CLOSE_WINDOW message to the root window, which sends the window WM_DELETE_WINDOW.

usage: close_window.py WINDOW_ID"""
import ctypes
import sys

x11 = ctypes.CDLL("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                           ctypes.c_void_p]
x11.XCloseDisplay.argtypes = [ctypes.c_void_p]


class ClientMessage(ctypes.Structure):
    """XClientMessageEvent, padded to the size of an XEvent."""
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5), ("padding", ctypes.c_long * 12)]


CLIENT_MESSAGE = 33
SUBSTRUCTURE_NOTIFY_AND_REDIRECT = (1 << 19) | (1 << 20)
FROM_A_PAGER = 2

display = x11.XOpenDisplay(None)
if not display:
    sys.exit("close_window: no display")
message = ClientMessage(type=CLIENT_MESSAGE, window=int(sys.argv[1], 0), format=32,
                        message_type=x11.XInternAtom(display, b"_NET_CLOSE_WINDOW", 0))
message.data[1] = FROM_A_PAGER
x11.XSendEvent(display, x11.XDefaultRootWindow(display), 0, SUBSTRUCTURE_NOTIFY_AND_REDIRECT,
               ctypes.byref(message))
x11.XCloseDisplay(display)
