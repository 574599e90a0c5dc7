// Placeholder until the module's first real source lands; delete it then.
