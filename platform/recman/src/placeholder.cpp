// placeholder until the record manager lands
