// Keeps the resource object library non-empty before the artwork exists.
