#!/usr/bin/env bash
echo "Velmora's main window is not built yet; 'make test' builds and tests the colour core." >&2
