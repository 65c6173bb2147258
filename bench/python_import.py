"""One import from Python as bench/cli.py measures it: the files imported in the component
folder COMPONENT (device 1, the command line's reading), then every variable's Name read.
    python3 bench/python_import.py COMPONENT FILE...
"""
import sys

import tessaro

result = tessaro.import_files(sys.argv[2:], component_dir=sys.argv[1], device_code=1, reading="exact")
names = [variable.Name for variable in result.variables]
print(len(names))
