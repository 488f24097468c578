#!/usr/bin/env python3
"""List the cameras on the bus that no program has open."""
import tqusb


def main():
    found = tqusb.cameras()
    if not found:
        print("no free camera on the bus")
        return
    for info in found:
        abilities = ", ".join(sorted(info.capabilities)) or "-"
        print(f"{info.id:6}  {info.model:<16} {info.width}x{info.height}  "
              f"generation {info.generation}  {abilities}")


if __name__ == "__main__":
    main()
