"""Another program's text field for the replace-selection tests: a Tk entry holding TEXT, all of
it selected (or none with --no-selection) and the keyboard focus on it. Prints "ready" once so,
then writes the field's text to OUTPUT whenever it changes.

--terminal names the window's class "XTerm" and pastes only on Ctrl+Shift+V, as terminals do.
"""
import argparse
import tkinter as tk

parser = argparse.ArgumentParser()
parser.add_argument("output")
parser.add_argument("text")
parser.add_argument("--terminal", action="store_true")
parser.add_argument("--no-selection", action="store_true")
args = parser.parse_args()

root = tk.Tk(className="XTerm" if args.terminal else "Quillotextfield")
field = tk.Entry(root, width=40)
field.pack()
field.insert(0, args.text)


def paste(_event):
    field.insert("insert", root.clipboard_get())
    return "break"


if args.terminal:
    field.bind("<Control-v>", lambda _event: "break")
    field.bind("<Control-V>", paste)

last = [None]


def watch():
    text = field.get()
    if text != last[0]:
        last[0] = text
        with open(args.output, "w", encoding="utf-8") as out:
            out.write(text)
    root.after(50, watch)


def start():
    field.focus_force()
    if not args.no_selection:
        field.selection_range(0, "end")
    watch()
    print("ready", flush=True)


root.after(200, start)
root.mainloop()
