// Sample tree for the include check: a header of the bottom layer.
