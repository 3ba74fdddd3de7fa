// The views land here as they are built.
